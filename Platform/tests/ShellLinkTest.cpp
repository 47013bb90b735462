#include "plat/codepage.h"
#include "plat/com.h"
#include "plat/objidl.h"
#include "plat/file.h"
#include "plat/shlobj.h"

#include "testsupport/FileText.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string home() { return vnt::test::testHome().string(); }

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The names in the folder, to see that no temporary file is left behind.
std::string folderNames(const std::string& folder)
{
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names += entry.path().filename().string() + ";";
    return names;
}

struct ShellLink : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        link = create();
        ASSERT_NE(link, nullptr);
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    }
    void TearDown() override
    {
        if (file)
            file->Release();
        if (link)
            link->Release();
        CoUninitialize();
    }

    static IShellLinkA* create()
    {
        IShellLinkA* p = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                      reinterpret_cast<void**>(&p)),
            S_OK);
        return p;
    }
    static HRESULT load(IPersistFile* f, const std::string& path)
    {
        return f->Load(plat::utf16FromUtf8(path).c_str(), STGM_READ);
    }
    static HRESULT save(IPersistFile* f, const std::string& path)
    {
        return f->Save(plat::utf16FromUtf8(path).c_str(), TRUE);
    }
    static std::string path(IShellLinkA* l)
    {
        char buffer[4200];
        l->GetPath(buffer, sizeof buffer, nullptr, 0);
        return buffer;
    }
    static std::string description(IShellLinkA* l)
    {
        char buffer[1100];
        l->GetDescription(buffer, sizeof buffer);
        return buffer;
    }
    static std::string arguments(IShellLinkA* l)
    {
        char buffer[4200];
        l->GetArguments(buffer, sizeof buffer);
        return buffer;
    }

    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};

TEST_F(ShellLink, SavesADesktopEntryUnderTheGivenNameAndLoadsItBack)
{
    const std::string lnk = home() + "/PicFlorvane.lnk";
    EXPECT_EQ(file->IsDirty(), S_FALSE);
    ASSERT_EQ(link->SetDescription("PicFlorvane 1.0.0.7"), S_OK);
    ASSERT_EQ(link->SetPath("/opt/corlund/PicFlorvane"), S_OK);
    ASSERT_EQ(link->SetArguments("/Show"), S_OK);
    EXPECT_EQ(file->IsDirty(), S_OK);
    ASSERT_EQ(save(file, lnk), S_OK);
    EXPECT_EQ(file->IsDirty(), S_FALSE);
    EXPECT_EQ(vnt::test::fileText(lnk), "[Desktop Entry]\nType=Application\nName=PicFlorvane 1.0.0.7\n"
                             "Comment=PicFlorvane 1.0.0.7\nExec=\"/opt/corlund/PicFlorvane\" /Show\n");
    EXPECT_EQ(folderNames(home()), "PicFlorvane.lnk;");

    LPOLESTR current = nullptr;
    ASSERT_EQ(file->GetCurFile(&current), S_OK);
    EXPECT_EQ(plat::utf8FromUtf16(current), lnk);
    CoTaskMemFree(current);
    CLSID clsid;
    EXPECT_EQ(file->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_ShellLink);

    IShellLinkA* other = create();
    IPersistFile* otherFile = nullptr;
    ASSERT_EQ(other->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&otherFile)), S_OK);
    EXPECT_EQ(otherFile->GetCurFile(&current), S_FALSE);
    ASSERT_EQ(load(otherFile, lnk), S_OK);
    EXPECT_EQ(path(other), "/opt/corlund/PicFlorvane");
    EXPECT_EQ(description(other), "PicFlorvane 1.0.0.7");
    EXPECT_EQ(arguments(other), "/Show");
    char small[5];
    EXPECT_EQ(other->GetDescription(small, sizeof small), S_OK);
    EXPECT_STREQ(small, "PicF");
    WIN32_FIND_DATAA found;
    EXPECT_EQ(other->GetPath(small, sizeof small, &found, SLGP_RAWPATH), S_OK);
    EXPECT_STREQ(found.cFileName, "PicFlorvane");

    // Saving to the remembered file after a change.
    ASSERT_EQ(other->SetArguments(""), S_OK);
    ASSERT_EQ(otherFile->Save(nullptr, FALSE), S_OK);
    EXPECT_NE(vnt::test::fileText(lnk).find("Exec=\"/opt/corlund/PicFlorvane\"\n"), std::string::npos);
    otherFile->Release();
    other->Release();
}

TEST_F(ShellLink, AwkwardTextsSurviveTheFile)
{
    struct Case {
        const char* target;
        const char* description;
        const char* arguments;
    };
    const Case cases[] = {
        {"/opt/my apps/pic \"florvane\"", "two\nlines", "-a \"x y\""},
        {"/opt/$HOME/`cmd`/100%", "  leading blanks and a \\ backslash", "50% %f %%"},
        {"/opt/tab\there", "tab\tand\rreturn", "ends with blank "},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string lnk = home() + "/case" + std::to_string(++n) + ".desktop";
        IShellLinkA* l = create();
        IPersistFile* f = nullptr;
        ASSERT_EQ(l->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&f)), S_OK);
        ASSERT_EQ(l->SetPath(c.target), S_OK);
        ASSERT_EQ(l->SetDescription(c.description), S_OK);
        ASSERT_EQ(l->SetArguments(c.arguments), S_OK);
        ASSERT_EQ(save(f, lnk), S_OK);
        // One entry per line: the texts' line breaks are escaped.
        const std::string text = vnt::test::fileText(lnk);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
        f->Release();
        l->Release();

        ASSERT_EQ(load(file, lnk), S_OK);
        EXPECT_EQ(path(link), c.target);
        EXPECT_EQ(description(link), c.description);
        EXPECT_EQ(arguments(link), c.arguments);
    }
    // The entry format's own quoting, as a launcher reads it.
    EXPECT_NE(vnt::test::fileText(home() + "/case2.desktop").find("Exec=\"/opt/\\\\$HOME/\\\\`cmd\\\\`/100%%\" 50%% %%f %%%%\n"),
        std::string::npos);
}

TEST_F(ShellLink, TargetsAreNativePaths)
{
    char before[MAX_PATH], current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, before), 0u);
    ASSERT_NE(SetCurrentDirectoryA(home().c_str()), FALSE);
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    const std::string here = current;
    const std::pair<const char*, std::string> cases[] = {
        {"bin\\prog", here + "/bin/prog"},
        {"./prog", here + "/prog"},
        {"prog", "prog"}, // found in PATH when started
        {"/usr/bin/prog", "/usr/bin/prog"},
    };
    for (const auto& [given, expected] : cases) {
        ASSERT_EQ(link->SetPath(given), S_OK) << given;
        EXPECT_EQ(path(link), expected);
    }
    SetCurrentDirectoryA(before);
    EXPECT_EQ(link->SetPath("C:\\Program Files\\prog.exe"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(link->SetPath(""), E_INVALIDARG);
    EXPECT_EQ(link->SetPath(nullptr), E_INVALIDARG);
    EXPECT_EQ(link->SetPath(("/" + std::string(4095, 'p')).c_str()), E_INVALIDARG);
    EXPECT_EQ(link->SetDescription(std::string(INFOTIPSIZE, 'd').c_str()), E_INVALIDARG);
    EXPECT_EQ(link->SetArguments(std::string(4096, 'a').c_str()), E_INVALIDARG);
    EXPECT_EQ(path(link), "/usr/bin/prog"); // refused values change nothing
}

TEST_F(ShellLink, UpdatingAnEntryKeepsItsOtherLines)
{
    const std::string entry = home() + "/viewer.desktop";
    writeText(entry, "# made by hand\r\n[Desktop Entry]\r\nVersion=1.0\r\nName=Viewer\r\nName[de]=Betrachter\r\n"
                     "Comment=old\r\nIcon=viewer\r\nExec=viewer  --open\r\nType=Application\r\n\r\n"
                     "[Desktop Action New]\r\nName=New\r\nExec=viewer --new\r\n");
    ASSERT_EQ(load(file, entry), S_OK);
    EXPECT_EQ(path(link), "viewer");
    EXPECT_EQ(arguments(link), "--open");
    EXPECT_EQ(description(link), "old");
    ASSERT_EQ(link->SetPath("/usr/bin/viewer2"), S_OK);
    ASSERT_EQ(save(file, entry), S_OK);
    EXPECT_EQ(vnt::test::fileText(entry), "# made by hand\n[Desktop Entry]\nType=Application\nName=Viewer\nComment=old\n"
                               "Exec=\"/usr/bin/viewer2\" --open\nVersion=1.0\nName[de]=Betrachter\nIcon=viewer\n\n"
                               "[Desktop Action New]\nName=New\nExec=viewer --new\n");
    // A description given names the entry.
    ASSERT_EQ(link->SetDescription("Viewer 2"), S_OK);
    ASSERT_EQ(save(file, entry), S_OK);
    EXPECT_NE(vnt::test::fileText(entry).find("\nName=Viewer 2\nComment=Viewer 2\n"), std::string::npos);

    // Without a description the name comes from the file, or else from the link file's name.
    writeText(entry, "[Desktop Entry]\nName=Kept\nExec=a\n");
    ASSERT_EQ(load(file, entry), S_OK);
    ASSERT_EQ(save(file, entry), S_OK);
    EXPECT_EQ(vnt::test::fileText(entry), "[Desktop Entry]\nType=Application\nName=Kept\nExec=\"a\"\n");
    IShellLinkA* fresh = create();
    IPersistFile* freshFile = nullptr;
    ASSERT_EQ(fresh->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&freshFile)), S_OK);
    ASSERT_EQ(save(freshFile, home() + "/Corlund Tool.lnk"), S_OK);
    EXPECT_EQ(vnt::test::fileText(home() + "/Corlund Tool.lnk"), "[Desktop Entry]\nType=Application\nName=Corlund Tool\n");
    freshFile->Release();
    fresh->Release();
}

TEST_F(ShellLink, ACopyReadsBackTheGroupTheOriginalOpened)
{
    // Carriage returns before the line feed all end the line, in the file and in its copy alike.
    const std::string entry = home() + "/twice.desktop", copy = home() + "/copy.desktop";
    writeText(entry, "[Desktop Entry]\r\r\nExec=first\r\n[Desktop Entry]\r\nExec=second --x\r\n");
    ASSERT_EQ(load(file, entry), S_OK);
    EXPECT_EQ(path(link), "first");
    EXPECT_EQ(arguments(link), "");
    ASSERT_EQ(save(file, copy), S_OK);
    IShellLinkA* again = create();
    IPersistFile* againFile = nullptr;
    ASSERT_EQ(again->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&againFile)), S_OK);
    ASSERT_EQ(load(againFile, copy), S_OK);
    EXPECT_EQ(path(again), "first");
    EXPECT_EQ(arguments(again), "");
    againFile->Release();
    again->Release();
}

TEST_F(ShellLink, FailuresLeaveFilesAndObjectAsTheyWere)
{
    ASSERT_EQ(link->SetPath("/bin/true"), S_OK);
    EXPECT_EQ(load(file, home() + "/none.lnk"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(load(file, home() + "/no/none.lnk"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(load(file, home()), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(load(file, "C:\\links\\a.lnk"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    const std::pair<const char*, std::string> bad[] = {
        {"no entry group", "[Other]\nExec=x\n"},
        {"zero byte", std::string("[Desktop Entry]\nExec=a\0b\n", 24)},
        {"too large", "[Desktop Entry]\nComment=" + std::string(1 << 20, 'c') + "\n"},
    };
    for (const auto& [what, text] : bad) {
        writeText(home() + "/bad.lnk", text);
        EXPECT_EQ(load(file, home() + "/bad.lnk"), E_FAIL) << what;
    }
    EXPECT_EQ(path(link), "/bin/true");
    EXPECT_EQ(file->IsDirty(), S_OK);

    EXPECT_EQ(file->Save(nullptr, TRUE), E_INVALIDARG); // no remembered file
    EXPECT_EQ(save(file, home() + "/missing/a.lnk"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(save(file, home()), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(folderNames(home()), "bad.lnk;");

    // An existing file is replaced whole, its permissions kept.
    const std::string kept = home() + "/kept.lnk";
    writeText(kept, "old");
    std::filesystem::permissions(kept, std::filesystem::perms(0640));
    ASSERT_EQ(save(file, kept), S_OK);
    EXPECT_EQ(std::filesystem::status(kept).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(vnt::test::fileText(kept), "[Desktop Entry]\nType=Application\nName=kept\nExec=\"/bin/true\"\n");
}

TEST_F(ShellLink, CreatedOnlyInProcessOnInitialisedThreads)
{
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellLinkA, &p), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, link, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IStream, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    std::thread([] {
        void* q = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &q),
            CO_E_NOTINITIALIZED);
    }).join();
    // One object behind both faces.
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(file->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    a->Release();
    b->Release();
}

} // namespace
