// The file dialogs' window, driven by injected input step by step of a script.

#include "ModalScript.h"
#include "UiTestSupport.h"
#include "ui/FileDialogWindow.h"

#include "plat/commdlg.h"
#include "plat/controls.h"
#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/msgbox.h"
#include "plat/testhooks.h"
#include "testsupport/ManualClock.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using vnt::test::modalScript;

std::string text(HWND hwnd)
{
    char buffer[1024] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::vector<std::string> listed(HWND dlg)
{
    HWND list = GetDlgItem(dlg, plat::ui::kFileDialogList);
    std::vector<std::string> out;
    for (LRESULT i = 0, n = SendMessageA(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        char buffer[512] = {};
        SendMessageA(list, LB_GETTEXT, WPARAM(i), LPARAM(buffer));
        out.push_back(buffer);
    }
    return out;
}

// Two clicks on the list's row that shows this text (the manual clock makes them a double click).
void clickRow(HWND dlg, const std::string& shown, int clicks)
{
    HWND list = GetDlgItem(dlg, plat::ui::kFileDialogList);
    const LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(shown.c_str()));
    ASSERT_GE(index, 0) << shown;
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
    POINT at{r.left + 4, (r.top + r.bottom) / 2};
    ClientToScreen(list, &at);
    for (int i = 0; i < clicks; ++i)
        plat::headless::click(at.x, at.y);
}

void clickRowHolding(HWND dlg, const std::string& shown, UINT vk)
{
    plat::headless::key(vk, true);
    clickRow(dlg, shown, 1);
    plat::headless::key(vk, false);
}

// A click on one of the dialog's buttons, which takes the focus from the list.
void clickButton(HWND dlg, int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    plat::headless::click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class FileDialogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::resetMessageBoxPolicy();
        vntTestUseFileDialogWindow(TRUE);
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "d");
        std::filesystem::create_directories(root / ".hidden");
        for (const char* name : {"a.jpg", "b.JPEG", "c.txt", ".x.jpg"})
            std::ofstream(root / name) << "x";
        owner = CreateWindowExA(0, ownerClass.name(), "owner", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
            nullptr, nullptr, nullptr);
        SetActiveWindow(owner);
        plat::headless::pumpUntilIdle();
        modalScript().clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(modalScript().empty()) << "steps left";
        DestroyWindow(owner);
        vntTestUseFileDialogWindow(FALSE);
        plat::resetMessageBoxPolicy();
        std::filesystem::remove_all(root);
    }

    // A dialog over the owner in the test's folder.
    OPENFILENAMEA request(DWORD flags, LPCSTR defExt = nullptr)
    {
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = "Images\0*.jpg;*.jpeg\0Text\0*.txt\0\0";
        ofn.lpstrFile = result;
        ofn.nMaxFile = sizeof result;
        ofn.lpstrInitialDir = folder.c_str();
        ofn.Flags = flags;
        ofn.lpstrDefExt = defExt;
        return ofn;
    }

    vnt::test::ManualClock clock;
    vnt::test::ScopedClass ownerClass{"File Dialog Owner", vnt::test::modalScriptOwnerProc};
    std::filesystem::path root = vnt::test::testHome() / "filedialog";
    std::string folder = root.string();
    HWND owner = nullptr;
    char result[1024] = {};
};

TEST_F(FileDialogWindowTest, ListsFoldersAndMatchingFilesEntersAFolderAndTakesATypedName)
{
    std::vector<std::string> first, inside;
    bool ownerDisabled = false;
    modalScript() = {
        [&](HWND dlg) {
            first = listed(dlg);
            ownerDisabled = !IsWindowEnabled(owner);
            clickRow(dlg, "[d]", 2);
        },
        [&](HWND dlg) {
            inside = listed(dlg);
            EXPECT_EQ(text(GetDlgItem(dlg, plat::ui::kFileDialogFolder)), folder + "/d");
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, plat::ui::kFileDialogName));
            plat::headless::typeText("x");
            plat::headless::keyPress(VK_RETURN);
        },
    };
    OPENFILENAMEA ofn = request(OFN_OVERWRITEPROMPT, ".picf");
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(first, (std::vector<std::string>{"..", "[d]", "a.jpg", "b.JPEG"}));
    EXPECT_EQ(inside, (std::vector<std::string>{".."}));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(std::string(result), folder + "/d/x.picf");
    EXPECT_EQ(ofn.nFileOffset, folder.size() + 3);
}

TEST_F(FileDialogWindowTest, EscapeCancelsWithoutAnError)
{
    modalScript() = {[](HWND) { plat::headless::keyPress(VK_ESCAPE); }};
    OPENFILENAMEA ofn = request(0);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

// A refused name keeps the dialog open; a typed pattern becomes the filter, the list's Backspace
// goes up, the filter box changes the list, and several files come back together.
TEST_F(FileDialogWindowTest, RefusalsPatternsFoldersAndSeveralFiles)
{
    std::vector<std::string> afterPattern, afterUp, textFilter;
    std::string folderAfterUp;
    modalScript() = {
        [](HWND) {
            plat::headless::typeText("missing.jpg");
            plat::headless::keyPress(VK_RETURN);
        },
        [](HWND dlg) {
            EXPECT_EQ(plat::messageBoxRecords().size(), 1u);
            SetWindowTextA(GetDlgItem(dlg, plat::ui::kFileDialogName), "d/*.none");
            plat::headless::keyPress(VK_RETURN);
        },
        [&](HWND dlg) {
            afterPattern = listed(dlg);
            SetFocus(GetDlgItem(dlg, plat::ui::kFileDialogList));
            plat::headless::keyPress(VK_BACK);
        },
        [&](HWND dlg) {
            afterUp = listed(dlg);
            folderAfterUp = text(GetDlgItem(dlg, plat::ui::kFileDialogFolder));
            HWND filter = GetDlgItem(dlg, plat::ui::kFileDialogFilter);
            SetFocus(filter);
            plat::headless::keyPress(VK_DOWN); // the next filter: Text
        },
        [&](HWND dlg) {
            textFilter = listed(dlg);
            // Back to the images, both chosen, taken by OK with nothing typed.
            SetFocus(GetDlgItem(dlg, plat::ui::kFileDialogFilter));
            plat::headless::keyPress(VK_UP);
        },
        [](HWND dlg) {
            SetWindowTextA(GetDlgItem(dlg, plat::ui::kFileDialogName), "");
            clickRow(dlg, "a.jpg", 1);
            clickRowHolding(dlg, "b.JPEG", VK_CONTROL);
        },
        [](HWND dlg) {
            EXPECT_EQ(text(GetDlgItem(dlg, plat::ui::kFileDialogName)), "\"a.jpg\" \"b.JPEG\"");
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        },
    };
    OPENFILENAMEA ofn = request(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(afterPattern, (std::vector<std::string>{".."}));
    EXPECT_EQ(folderAfterUp, folder);
    EXPECT_EQ(afterUp, (std::vector<std::string>{"..", "[d]"}));
    EXPECT_EQ(textFilter, (std::vector<std::string>{"..", "[d]", "c.txt"}));
    std::string expected = folder;
    for (const char* name : {"a.jpg", "b.JPEG", ""})
        expected += std::string(1, '\0') + name;
    expected += '\0';
    EXPECT_EQ(std::string(result, expected.size()), expected);
}

// Shift+click chooses the files from the one clicked last, Control+click drops or adds one.
TEST_F(FileDialogWindowTest, ShiftClickChoosesTheRangeFromTheFileClickedLast)
{
    for (const char* name : {"c.jpg", "d.jpg"})
        std::ofstream(root / name) << "x";
    std::vector<std::string> named;
    const auto note = [&](HWND dlg) { named.push_back(text(GetDlgItem(dlg, plat::ui::kFileDialogName))); };
    modalScript() = {
        [](HWND dlg) {
            clickRow(dlg, "a.jpg", 1);
            clickRowHolding(dlg, "c.jpg", VK_SHIFT);
        },
        [&](HWND dlg) {
            note(dlg);
            clickRowHolding(dlg, "b.JPEG", VK_CONTROL);
        },
        [&](HWND dlg) {
            note(dlg);
            plat::headless::keyPress(VK_RETURN);
        },
    };
    OPENFILENAMEA ofn = request(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(named, (std::vector<std::string>{"\"a.jpg\" \"b.JPEG\" \"c.jpg\"", "\"a.jpg\" \"c.jpg\""}));
    const std::string chosen = folder + '\0' + "a.jpg" + '\0' + "c.jpg" + '\0' + '\0';
    EXPECT_EQ(std::string(result, chosen.size()), chosen);
}

// Names typed in double quotes are the files chosen: a list of them where several may be chosen,
// each checked, and one name where one may.
TEST_F(FileDialogWindowTest, TypedNamesInDoubleQuotesAreTheFilesChosen)
{
    modalScript() = {
        [](HWND) {
            plat::headless::typeText("\"a.jpg\" \"missing.jpg\"");
            plat::headless::keyPress(VK_RETURN);
        },
        [](HWND dlg) {
            SetWindowTextA(GetDlgItem(dlg, plat::ui::kFileDialogName), "");
            plat::headless::typeText(" \"b.JPEG\"  \"a.jpg\"");
            plat::headless::keyPress(VK_RETURN);
        },
    };
    OPENFILENAMEA several = request(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(GetOpenFileNameA(&several));
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "missing.jpg\nFile not found.\nPlease verify the correct file name was given.");
    const std::string both = folder + '\0' + "b.JPEG" + '\0' + "a.jpg" + '\0' + '\0';
    EXPECT_EQ(std::string(result, both.size()), both);

    result[0] = '\0';
    modalScript() = {[](HWND) {
        plat::headless::typeText("\"b.JPEG\"");
        plat::headless::keyPress(VK_RETURN);
    }};
    OPENFILENAMEA one = request(OFN_FILEMUSTEXIST);
    ASSERT_TRUE(GetOpenFileNameA(&one));
    EXPECT_EQ(std::string(result), folder + "/b.JPEG");
}

// A dialog that takes one file takes a typed name as it is, quotes inside included, less one pair
// of quotes around it: a save writes the file named and no part of it. So does a dialog that takes
// several when the text does not open with a quote.
TEST_F(FileDialogWindowTest, ATypedNameWithQuotesIsTakenAsItIs)
{
    std::ofstream(root / "it's a \"quoted\" name.jpg") << "x";
    const struct {
        DWORD flags;
        const char* typed;
        const char* chosen;
    } cases[] = {
        {OFN_OVERWRITEPROMPT, "new \"quoted\" name.jpg", "new \"quoted\" name.jpg"},
        {OFN_OVERWRITEPROMPT, "\"whole.jpg\"", "whole.jpg"},
        {OFN_OVERWRITEPROMPT, "\"a.jpg\" \"b.JPEG\"", "a.jpg\" \"b.JPEG"},
        {OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, "it's a \"quoted\" name.jpg", "it's a \"quoted\" name.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        result[0] = '\0';
        const std::string typed = c.typed;
        modalScript() = {[typed](HWND) {
            plat::headless::typeText(typed.c_str());
            plat::headless::keyPress(VK_RETURN);
        }};
        OPENFILENAMEA ofn = request(c.flags);
        ASSERT_TRUE((c.flags & OFN_ALLOWMULTISELECT) ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn));
        EXPECT_TRUE(plat::messageBoxRecords().empty());
        EXPECT_EQ(std::string(result), folder + "/" + c.chosen);
    }

    // The result's own save dialog asks to replace the file named, which exists, and no other.
    result[0] = '\0';
    plat::setMessageBoxAnswer(IDYES);
    modalScript() = {[](HWND) {
        plat::headless::typeText("it's a \"quoted\" name.jpg");
        plat::headless::keyPress(VK_RETURN);
    }};
    OPENFILENAMEA save = request(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, ".jpg");
    ASSERT_TRUE(GetSaveFileNameA(&save));
    ASSERT_EQ(plat::messageBoxRecords().size(), 1u);
    EXPECT_NE(plat::messageBoxRecords()[0].text.find("it's a \"quoted\" name.jpg"), std::string::npos)
        << plat::messageBoxRecords()[0].text;
    EXPECT_EQ(std::string(result), folder + "/it's a \"quoted\" name.jpg");
}

// Files picked in the list come back as they are named, whatever the names hold; the quoted form
// the name edit shows them in is only read back when it was typed.
TEST_F(FileDialogWindowTest, PickedFilesComeBackWithQuotesAndBlanksIntact)
{
    const std::string odd = "with space & amp's \"q\".jpg";
    std::ofstream(root / odd) << "x";
    modalScript() = {
        [&](HWND dlg) {
            clickRow(dlg, "a.jpg", 1);
            clickRowHolding(dlg, odd, VK_CONTROL);
        },
        [](HWND dlg) { clickButton(dlg, IDOK); },
    };
    OPENFILENAMEA several = request(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(GetOpenFileNameA(&several));
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    const std::string both = folder + '\0' + "a.jpg" + '\0' + odd + '\0' + '\0';
    EXPECT_EQ(std::string(result, both.size()), both);

    result[0] = '\0';
    modalScript() = {
        [&](HWND dlg) { clickRow(dlg, odd, 1); },
        [](HWND dlg) { clickButton(dlg, IDOK); },
    };
    OPENFILENAMEA one = request(OFN_FILEMUSTEXIST);
    ASSERT_TRUE(GetOpenFileNameA(&one));
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_EQ(std::string(result), folder + "/" + odd);
}

// Control+A in the list chooses every file shown, and no folder, so that Enter takes them.
TEST_F(FileDialogWindowTest, ControlASelectsEveryFileShown)
{
    std::string shown;
    modalScript() = {
        [](HWND dlg) {
            SetFocus(GetDlgItem(dlg, plat::ui::kFileDialogList));
            plat::headless::key(VK_CONTROL, true);
            plat::headless::keyPress('A');
            plat::headless::key(VK_CONTROL, false);
        },
        [&](HWND dlg) {
            shown = text(GetDlgItem(dlg, plat::ui::kFileDialogName));
            plat::headless::keyPress(VK_RETURN);
        },
    };
    OPENFILENAMEA ofn = request(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(shown, "\"a.jpg\" \"b.JPEG\"");
    const std::string both = folder + '\0' + "a.jpg" + '\0' + "b.JPEG" + '\0' + '\0';
    EXPECT_EQ(std::string(result, both.size()), both);
}

TEST(FileDialogPatterns, CaseFoldedWildcards)
{
    const struct {
        const char* name;
        const char* patterns;
        bool matches;
    } cases[] = {
        {"a.jpg", "*.jpg;*.jpeg", true},
        {"b.JPEG", "*.jpg;*.jpeg", true},
        {"c.txt", "*.jpg;*.jpeg", false},
        {"noext", "*.*", true},
        {"abc", "a?c", true},
        {"abbc", "a?c", false},
        {"x.tar.gz", "*.gz", true},
        {"x.gz.bak", "*.gz", false},
        {"anything", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::ui::matchesFilePatterns(c.name, c.patterns), c.matches) << c.name << " " << c.patterns;
}

// On the desktop (SDL's dummy driver here) the window shows without the test hook.
TEST_F(FileDialogWindowTest, TheDesktopShowsTheWindowWithoutTheHook)
{
    vntTestUseFileDialogWindow(FALSE);
    DestroyWindow(owner);
    ASSERT_TRUE(vntTestUseSdlDisplay(TRUE));
    owner = CreateWindowExA(0, ownerClass.name(), "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
        nullptr, nullptr, nullptr);
    SetActiveWindow(owner);
    plat::headless::pumpUntilIdle();
    modalScript() = {[](HWND) {
        plat::headless::typeText("y");
        plat::headless::keyPress(VK_RETURN);
    }};
    OPENFILENAMEA ofn = request(0, "txt");
    EXPECT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(std::string(result), folder + "/y.txt");
    DestroyWindow(owner);
    owner = nullptr;
    plat::headless::pumpUntilIdle();
    EXPECT_TRUE(vntTestUseSdlDisplay(FALSE));
}

} // namespace
