#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process.h"
#include "plat/shell.h"
#include "plat/sync.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kChild = std::string(VNT_BIN_DIR) + "/plat_helper_child";

// Sets an environment variable for the rest of a test, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> folderOf(int csidl)
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)))
        return std::nullopt;
    char path[MAX_PATH];
    EXPECT_TRUE(SHGetPathFromIDList(list, path));
    LPMALLOC allocator = nullptr;
    EXPECT_EQ(SHGetMalloc(&allocator), S_OK);
    allocator->Free(list);
    allocator->Release();
    return std::string(path);
}

TEST(Shell, SpecialFoldersFollowVantrelHome)
{
    std::string home = vnt::test::testHome().string();
    const std::pair<int, std::string> cases[] = {
        {CSIDL_DESKTOP, home + "/home/Desktop"},
        {CSIDL_DESKTOPDIRECTORY, home + "/home/Desktop"},
        {CSIDL_PERSONAL, home + "/home/Documents"},
        {CSIDL_MYPICTURES, home + "/home/Pictures"},
        {CSIDL_APPDATA, home + "/config"},
        {CSIDL_LOCAL_APPDATA, home + "/data"},
        {CSIDL_PROGRAMS, home + "/data/applications"},
        {CSIDL_COMMON_PROGRAMS, home + "/data/applications"},
        {CSIDL_STARTUP, home + "/config/autostart"},
    };
    for (const auto& [csidl, path] : cases)
        EXPECT_EQ(folderOf(csidl), path) << csidl;

    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(1);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x0099, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);
    char path[MAX_PATH] = "x";
    EXPECT_FALSE(SHGetPathFromIDList(nullptr, path));
    // A list that does not carry a path of ours is not read as one.
    BYTE foreign[] = {6, 0, 1, 2, 3, 4, 0, 0};
    EXPECT_FALSE(SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(foreign), path));
    EXPECT_EQ(path[0], 0);
}

TEST(Shell, SpecialFoldersComeFromXdgWithoutVantrelHome)
{
    fs::path home = vnt::test::testHome() / "user";
    writeFile(home / "cfg/user-dirs.dirs",
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_PICTURES_DIR=\"/srv/pics/\"\n");
    ScopedEnv noPortable("VANTREL_HOME", nullptr);
    ScopedEnv userHome("HOME", home.c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (home / "cfg").c_str());
    ScopedEnv data("XDG_DATA_HOME", nullptr);

    EXPECT_EQ(folderOf(CSIDL_DESKTOP), (home / "Schreibtisch").string());
    EXPECT_EQ(folderOf(CSIDL_MYPICTURES), "/srv/pics");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), (home / "Documents").string());
    EXPECT_EQ(folderOf(CSIDL_APPDATA), (home / "cfg").string());
    EXPECT_EQ(folderOf(CSIDL_LOCAL_APPDATA), (home / ".local/share").string());
    EXPECT_EQ(folderOf(CSIDL_COMMON_PROGRAMS), (home / ".local/share/applications").string());
    EXPECT_EQ(folderOf(CSIDL_STARTUP), (home / "cfg/autostart").string());
}

// Puts a stand-in xdg-open first in PATH: it writes its arguments to "opened" next to itself.
class ShellOpen : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tools = vnt::test::testHome() / "tools";
        writeFile(m_tools / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/opened\"\nexit 0\n");
        fs::permissions(m_tools / "xdg-open", fs::perms::owner_all);
        std::string path = m_tools.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
        m_path.emplace("PATH", path.c_str());
    }

    SHELLEXECUTEINFOA request(const char* file, const char* parameters = nullptr, const char* directory = nullptr)
    {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpFile = file;
        info.lpParameters = parameters;
        info.lpDirectory = directory;
        info.nShow = 1;
        return info;
    }

    // Runs the request to its end; answers the process's exit code.
    DWORD runToEnd(SHELLEXECUTEINFOA& info)
    {
        EXPECT_TRUE(ShellExecuteExA(&info)) << GetLastError();
        EXPECT_GT(reinterpret_cast<INT_PTR>(info.hInstApp), 32);
        EXPECT_NE(info.hProcess, nullptr);
        if (!info.hProcess)
            return 0xDEAD;
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 0xDEAD;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        CloseHandle(info.hProcess);
        return code;
    }

    std::string opened() { return readFile(m_tools / "opened"); }

    fs::path m_tools;
    std::optional<ScopedEnv> m_path;
};

TEST_F(ShellOpen, DocumentsFoldersAndUrlsGoToTheOpener)
{
    fs::path doc = vnt::test::testHome() / "docs/picture list.txt";
    writeFile(doc, "x");
    SHELLEXECUTEINFOA info = request(doc.c_str());
    EXPECT_EQ(runToEnd(info), 0u);
    EXPECT_EQ(opened(), doc.string() + "\n");

    // A relative name is taken in the given folder, with either separator.
    std::string folder = (vnt::test::testHome() / "docs").string();
    info = request("..\\docs\\picture list.txt", nullptr, folder.c_str());
    EXPECT_EQ(runToEnd(info), 0u);
    EXPECT_EQ(opened(), folder + "/../docs/picture list.txt\n");

    info = request(folder.c_str());
    info.lpVerb = "open";
    EXPECT_EQ(runToEnd(info), 0u);
    EXPECT_EQ(opened(), folder + "\n");

    info = request("https://example.org/a?b=c d");
    EXPECT_EQ(runToEnd(info), 0u);
    EXPECT_EQ(opened(), "https://example.org/a?b=c d\n");
}

TEST_F(ShellOpen, ProgramsAreStartedWithTheirParameters)
{
    SHELLEXECUTEINFOA info = request(kChild.c_str(), "exit 9");
    EXPECT_EQ(runToEnd(info), 9u);
    // A program name alone is looked for in PATH.
    std::string path = std::string(VNT_BIN_DIR) + ":" + std::getenv("PATH");
    {
        ScopedEnv withHelpers("PATH", path.c_str());
        info = request("plat_helper_child", "exit \"8\"");
        EXPECT_EQ(runToEnd(info), 8u);
    }

    // Without SEE_MASK_NOCLOSEPROCESS no handle is given.
    info = request(kChild.c_str(), "exit 0");
    info.fMask = SEE_MASK_FLAG_DDEWAIT;
    info.nShow = 0;
    ASSERT_TRUE(ShellExecuteExA(&info));
    EXPECT_EQ(info.hProcess, nullptr);
}

TEST_F(ShellOpen, FailuresGiveTheirCodes)
{
    std::string home = vnt::test::testHome().string();
    struct Case {
        std::string file;
        const char* verb;
        DWORD error;
        INT_PTR instance;
    } cases[] = {
        {home + "/missing.txt", nullptr, ERROR_FILE_NOT_FOUND, SE_ERR_FNF},
        {home + "/no-folder/missing.txt", nullptr, ERROR_PATH_NOT_FOUND, SE_ERR_PNF},
        {"C:\\pictures\\a.jpg", nullptr, ERROR_PATH_NOT_FOUND, SE_ERR_PNF},
        {"", nullptr, ERROR_FILE_NOT_FOUND, SE_ERR_FNF},
        {home, "print", ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC},
    };
    for (const Case& test : cases) {
        SHELLEXECUTEINFOA info = request(test.file.c_str());
        info.lpVerb = test.verb;
        EXPECT_FALSE(ShellExecuteExA(&info)) << test.file;
        EXPECT_EQ(GetLastError(), test.error) << test.file;
        EXPECT_EQ(reinterpret_cast<INT_PTR>(info.hInstApp), test.instance) << test.file;
        EXPECT_EQ(info.hProcess, nullptr);
    }

    // Without any opener a document cannot be opened.
    ScopedEnv noOpener("PATH", (home + "/empty").c_str());
    SHELLEXECUTEINFOA info = request(home.c_str());
    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_ASSOCIATION));

    info.cbSize = 12;
    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace

namespace {

// Stand-ins for the desktop's database tools, first in PATH: each appends its name and arguments
// to "refreshed" next to itself.
class FileTypes : public ::testing::Test {
protected:
    void SetUp() override
    {
        tools = vnt::test::testHome() / "tools";
        for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
            writeFile(tools / tool, "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> \"$(dirname \"$0\")/refreshed\"\n");
            fs::permissions(tools / tool, fs::perms::owner_all);
        }
        path.emplace("PATH", (tools.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "")).c_str());
        writeFile(entry, "[Desktop Entry]\nType=Application\nName=Pic\nMimeType=text/old;\nExec=\"/opt/pic\" -Show\n"
                         "[Desktop Action extra]\nExec=/opt/pic -Extra\n");
    }

    fs::path data = vnt::test::testHome() / "data";
    fs::path entry = data / "applications/Corlund/Pic.desktop";
    fs::path package = data / "mime/packages/application-x-pic.xml";
    fs::path tools;
    std::optional<ScopedEnv> path;
};

TEST_F(FileTypes, RegisteringDeclaresThePatternAndOpensItWithTheEntry)
{
    ASSERT_EQ(vntRegisterFileType("application/x-pic", "*.pic", "Pic <file> & more", entry.c_str()), S_OK);
    const std::string xml = readFile(package);
    EXPECT_NE(xml.find("<mime-type type=\"application/x-pic\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<comment>Pic &lt;file&gt; &amp; more</comment>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<glob pattern=\"*.pic\"/>"), std::string::npos) << xml;
    const std::string expected = "[Desktop Entry]\nMimeType=application/x-pic;\nType=Application\nName=Pic\n"
                                 "Exec=\"/opt/pic\" -Show %F\n[Desktop Action extra]\nExec=/opt/pic -Extra\n";
    EXPECT_EQ(readFile(entry), expected);
    // Registering again changes nothing.
    ASSERT_EQ(vntRegisterFileType("application/x-pic", "*.pic", "Pic <file> & more", entry.c_str()), S_OK);
    EXPECT_EQ(readFile(entry), expected);
    EXPECT_EQ(readFile(tools / "refreshed"),
        "update-mime-database " + (data / "mime").string() + "\nupdate-desktop-database " +
            (data / "applications").string() + "\n" + "update-mime-database " + (data / "mime").string() +
            "\nupdate-desktop-database " + (data / "applications").string() + "\n");

    ASSERT_EQ(vntUnregisterFileType("application/x-pic"), S_OK);
    EXPECT_FALSE(fs::exists(package));
    EXPECT_EQ(vntUnregisterFileType("application/x-pic"), S_OK);
}

TEST_F(FileTypes, WorksWithoutTheToolsAndRefusesWhatItCannotWrite)
{
    ScopedEnv noTools("PATH", (vnt::test::testHome() / "empty").c_str());
    EXPECT_EQ(vntRegisterFileType("application/x-pic", "*.pic", "", entry.c_str()), S_OK);
    EXPECT_TRUE(fs::exists(package));
    EXPECT_EQ(vntUnregisterFileType("application/x-pic"), S_OK);
    EXPECT_FALSE(fs::exists(tools / "refreshed"));

    for (const char* type : {"x-pic", "application/", "/x-pic", "a/b/c", "application/x pic", "application/<x>"})
        EXPECT_EQ(vntRegisterFileType(type, "*.pic", "", entry.c_str()), E_INVALIDARG) << type;
    EXPECT_EQ(vntRegisterFileType("application/x-pic", "", "", entry.c_str()), E_INVALIDARG);
    EXPECT_EQ(vntRegisterFileType("application/x-pic", "*.pic", "", (data / "missing.desktop").c_str()),
        HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    writeFile(data / "nogroup.desktop", "Exec=/opt/pic\n");
    EXPECT_EQ(vntRegisterFileType("application/x-pic", "*.pic", "", (data / "nogroup.desktop").c_str()), E_FAIL);
    EXPECT_EQ(readFile(data / "nogroup.desktop"), "Exec=/opt/pic\n");
}

} // namespace
