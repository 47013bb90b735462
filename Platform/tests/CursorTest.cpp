#include "InputTestSupport.h"

#include "plat/bitmap.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "plat/gdi.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

using vnt::test::InputRecorder;

namespace {

TEST(Cursors, BuiltInCursorsAndIconsAreSharedImagesOfTheirOwn)
{
    const int live = vntGdiLiveObjectCount();
    struct Case {
        int id;
        UINT type;
        bool isIcon;
    };
    std::vector<Case> cases;
    for (int id : {32512, 32513, 32514, 32515, 32516, 32642, 32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651})
        cases.push_back({id, IMAGE_CURSOR, false});
    for (int id = 32512; id <= 32516; ++id)
        cases.push_back({id, IMAGE_ICON, true});
    // Each image is made once per process, whichever test loads it first, and lives on: a second
    // round of loads and destroys makes and frees nothing.
    int afterFirstRound = 0;
    for (int round = 0; round < 2; ++round) {
        std::set<HANDLE> seen;
        for (const Case& c : cases) {
            HANDLE h = LoadImageA(nullptr, MAKEINTRESOURCE(c.id), c.type, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
            ASSERT_NE(h, nullptr) << c.id;
            EXPECT_TRUE(seen.insert(h).second) << c.id;
            HANDLE again = c.isIcon ? HANDLE(LoadIconA(nullptr, MAKEINTRESOURCE(c.id)))
                                    : HANDLE(LoadCursorA(nullptr, MAKEINTRESOURCE(c.id)));
            EXPECT_EQ(again, h) << c.id;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(HICON(h), &info)) << c.id;
            EXPECT_EQ(bool(info.fIcon), c.isIcon) << c.id;
            BITMAP bm{};
            ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof bm, &bm));
            EXPECT_EQ(bm.bmWidth, 32);
            EXPECT_EQ(bm.bmHeight, 32);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            EXPECT_TRUE(c.isIcon ? DestroyIcon(HICON(h)) : DestroyCursor(HCURSOR(h)));
            EXPECT_EQ(plat::headless::systemCursorId(HCURSOR(h)), c.isIcon ? 0 : c.id);
        }
        if (round == 0)
            afterFirstRound = vntGdiLiveObjectCount();
    }
    EXPECT_GE(afterFirstRound, live);
    EXPECT_LE(afterFirstRound, live + int(cases.size()));
    EXPECT_EQ(vntGdiLiveObjectCount(), afterFirstRound);

    // The arrow points from its hot spot at the top-left corner: outlined in black, white inside.
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(arrow, &info));
    EXPECT_EQ(info.xHotspot, 0u);
    EXPECT_EQ(info.yHotspot, 0u);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 32, 32};
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &all, grey);
    EXPECT_TRUE(DrawIconEx(dc, 0, 0, arrow, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 8), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 28, 4), RGB(128, 128, 128));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteObject(grey);
    DeleteDC(dc);

    HCURSOR fromWorker = nullptr;
    std::thread([&] { fromWorker = LoadCursorA(nullptr, IDC_WAIT); }).join();
    EXPECT_EQ(fromWorker, LoadCursorA(nullptr, IDC_WAIT));

    SetLastError(0);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCE(32700)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST(Cursors, SetCursorAnswersThePreviousOne)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR beam = LoadCursorA(nullptr, IDC_IBEAM);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(beam), arrow);
    EXPECT_EQ(GetCursor(), beam);
    EXPECT_EQ(plat::headless::currentCursor(), beam);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

TEST(Cursors, TheDefaultProcedureShowsTheCursorOfTheHitCode)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(hwnd);
    struct Case {
        LRESULT hit;
        int cursor;
    } cases[] = {
        {HTLEFT, 32644}, {HTRIGHT, 32644}, {HTTOP, 32645}, {HTBOTTOM, 32645}, {HTTOPLEFT, 32642},
        {HTBOTTOMRIGHT, 32642}, {HTTOPRIGHT, 32643}, {HTBOTTOMLEFT, 32643}, {HTBORDER, 32512},
    };
    int x = 10;
    for (const Case& c : cases) {
        rec.answer(hwnd, WM_NCHITTEST, c.hit);
        SetCursor(nullptr);
        plat::headless::mouseMove(++x, 10);
        rec.pump();
        EXPECT_EQ(plat::headless::systemCursorId(plat::headless::currentCursor()), c.cursor) << c.hit;
    }
}

TEST(Cursors, TheClassCursorShowsOverTheClientUnlessTheParentKeepsItsOwn)
{
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hCursor = hand;
    wc.lpszClassName = "Cursor Test Child";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    {
        InputRecorder rec;
        HWND top = rec.window(RECT{0, 0, 200, 200});
        HWND child = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top, nullptr,
            nullptr, nullptr);
        SetActiveWindow(top);
        SetCursor(nullptr);
        plat::headless::mouseMove(20, 20);
        rec.pump();
        EXPECT_EQ(plat::headless::currentCursor(), hand);

        rec.answer(top, WM_SETCURSOR, TRUE);
        SetCursor(nullptr);
        plat::headless::mouseMove(21, 21);
        rec.pump();
        EXPECT_EQ(plat::headless::currentCursor(), nullptr);
        auto asked = rec.only({WM_SETCURSOR});
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back().hwnd, top);
        EXPECT_EQ(asked.back().wParam, WPARAM(child));
        DestroyWindow(child);
    }
    UnregisterClassA(wc.lpszClassName, nullptr);
}

} // namespace
