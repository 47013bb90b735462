// A registry database that a disk fault damaged or that cannot be written: the program goes on
// with what can be read, keeps the damaged file and says why a change was refused.

#include "plat/registry.h"

#include "testsupport/Immutable.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kKeys = 400;
constexpr size_t kPage = 4096;

std::string valueOf(int i) { return "value " + std::to_string(i) + std::string(100, 'x'); }

LONG setText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

std::string queryText(HKEY key, const char* name)
{
    char data[512] = {};
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return "(none)";
    return data;
}

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Each test has a configuration folder of its own, left for another one when the store must be
// closed (the store follows the folder), so that the file can be changed as a disk would.
class RegistryDamageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(home);
        fs::create_directories(away);
        useHome(home);
        plat::registryTakeNotices();
    }
    void TearDown() override
    {
        setImmutable(false);
        useHome(vnt::test::testHome());
    }

    void useHome(const fs::path& folder)
    {
        setenv("VANTREL_HOME", folder.c_str(), 1);
        HKEY probe = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &probe) == ERROR_SUCCESS)
            RegCloseKey(probe);
    }

    void fill()
    {
        HKEY kept = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &kept,
                      nullptr),
            ERROR_SUCCESS);
        for (int i = 0; i < kKeys; ++i) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExA(kept, ("k" + std::to_string(i)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr),
                ERROR_SUCCESS);
            ASSERT_EQ(setText(key, "v", valueOf(i)), ERROR_SUCCESS);
            RegCloseKey(key);
        }
        RegCloseKey(kept);
    }

    // The values under Software\Kept that read back, each as it was written (a key may be read
    // while its value was lost).
    int readableValues()
    {
        HKEY kept = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_READ, &kept) != ERROR_SUCCESS)
            return 0;
        int count = 0;
        for (int i = 0; i < kKeys; ++i) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(kept, ("k" + std::to_string(i)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
                continue;
            const std::string value = queryText(key, "v");
            RegCloseKey(key);
            if (value == "(none)")
                continue;
            EXPECT_EQ(value, valueOf(i)) << i;
            ++count;
        }
        RegCloseKey(kept);
        return count;
    }

    // Software\Here, open, with v stored as "first".
    static void openHereWithFirst(HKEY* key)
    {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(setText(*key, "v", "first"), ERROR_SUCCESS);
    }

    std::vector<fs::path> damagedCopies() const
    {
        std::vector<fs::path> copies;
        for (const auto& entry : fs::directory_iterator(fs::path(file).parent_path()))
            if (entry.path().filename().string().rfind("registry-user.db.damaged-", 0) == 0)
                copies.push_back(entry.path());
        return copies;
    }

    // The flag that even root cannot write through; false when this file system or process
    // cannot set it.
    bool setImmutable(bool on) { return setImmutable(file, on); }
    static bool setImmutable(const std::string& path, bool on) { return vnt::test::setImmutable(path, on); }

    fs::path home = vnt::test::testHome() / "damaged";
    fs::path away = vnt::test::testHome() / "away";
    std::string file = (home / "user").string();
};

// Two pages of garbage in the middle, the first page garbage (no database at all), the file cut
// short: the registry opens, the damaged file is kept byte for byte, what can be read is carried
// over and the notice names the file and its copy.
TEST_F(RegistryDamageTest, ADamagedFileIsKeptAndWhatCanBeReadIsCarriedOver)
{
    enum Damage { TwoPagesInside, FirstPage, CutShort };
    for (Damage damage : {TwoPagesInside, FirstPage, CutShort}) {
        SCOPED_TRACE(damage);
        useHome(away);
        fs::remove_all(home);
        fs::create_directories(home);
        useHome(home);
        file = plat::registryUserFile();
        fill();
        useHome(away);

        std::string bytes = bytesOf(file);
        ASSERT_GT(bytes.size(), 12 * kPage);
        const size_t pages = bytes.size() / kPage;
        if (damage == TwoPagesInside) {
            for (size_t i = 0; i < 2 * kPage; ++i)
                bytes[pages / 2 * kPage + i] = char(0xA5 ^ (i * 131));
        } else if (damage == FirstPage) {
            for (size_t i = 0; i < kPage; ++i)
                bytes[i] = char(0x5A ^ (i * 7));
        } else {
            bytes.resize((pages - 1) * kPage);
        }
        writeBytes(file, bytes);
        plat::registryTakeNotices();

        useHome(home);
        const std::vector<std::string> notices = plat::registryTakeNotices();
        ASSERT_EQ(notices.size(), 1u);
        const std::vector<fs::path> copies = damagedCopies();
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(bytesOf(copies[0]), bytes);
        EXPECT_NE(notices[0].find("The registry file " + file + " is damaged."), std::string::npos) << notices[0];
        EXPECT_NE(notices[0].find("It is kept as " + copies[0].string() + "."), std::string::npos) << notices[0];

        const int carried = readableValues();
        if (damage == FirstPage)
            EXPECT_EQ(carried, 0);
        else {
            EXPECT_GT(carried, 0);
            EXPECT_LT(carried, kKeys);
        }
        EXPECT_NE(notices[0].find("What could still be read of it, "), std::string::npos) << notices[0];

        // The new file takes changes and holds them across a reopening, with no further notice.
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\After", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(setText(key, "v", "new"), ERROR_SUCCESS);
        RegCloseKey(key);
        useHome(away);
        useHome(home);
        EXPECT_EQ(readableValues(), carried);
        EXPECT_TRUE(plat::registryTakeNotices().empty());
        EXPECT_EQ(damagedCopies().size(), 1u);
    }
}

// Damage met while the store is in use (another process moved a table's root to a page that holds
// none): the call fails, and the next one finds the file kept aside and replaced by what could
// be read; handles on the damaged file name nothing any more.
TEST_F(RegistryDamageTest, DamageMetOnTheWayIsKeptAndTheNextCallGoesOnWithWhatCouldBeRead)
{
    file = plat::registryUserFile();
    fill();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept\\k7", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(queryText(key, "v"), valueOf(7));

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    int version = 0;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    const std::string damage = "PRAGMA writable_schema=ON; UPDATE sqlite_master SET rootpage=1 WHERE name='vals';"
                               " PRAGMA schema_version=" + std::to_string(version + 1) + ";";
    EXPECT_EQ(sqlite3_exec(db, damage.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    EXPECT_EQ(queryText(key, "v"), "(none)");
    EXPECT_TRUE(plat::registryTakeNotices().empty());
    EXPECT_EQ(setText(key, "v", "again"), ERROR_INVALID_HANDLE);
    RegCloseKey(key);
    const std::vector<std::string> notices = plat::registryTakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(", 402 keys and 0 values, was carried"), std::string::npos) << notices[0];
    EXPECT_EQ(damagedCopies().size(), 1u);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept\\k7", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(setText(key, "v", "again"), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "v"), "again");
    RegCloseKey(key);
}

// A store that refuses changes says why, reads on, and takes changes again once it can.
TEST_F(RegistryDamageTest, ARefusedChangeSaysWhyUntilOneSucceeds)
{
    HKEY key = nullptr;
    ASSERT_NO_FATAL_FAILURE(openHereWithFirst(&key));
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "");

    plat::registrySetRefusingWrites(HKEY_CURRENT_USER, true);
    EXPECT_NE(setText(key, "v", "second"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "the file is read-only");
    EXPECT_EQ(queryText(key, "v"), "first");
    // A change refused for a reason of its own is no refusal of the store.
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "the file is read-only");

    plat::registrySetRefusingWrites(HKEY_CURRENT_USER, false);
    EXPECT_EQ(setText(key, "v", "third"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "");
    EXPECT_EQ(queryText(key, "v"), "third");
    RegCloseKey(key);
}

// An immutable file (what chattr +i makes) is read, its changes are refused as a read-only file's,
// and once it is writable again the next change is stored.
TEST_F(RegistryDamageTest, AnImmutableFileIsWrittenAgainOnceItCanBe)
{
    file = plat::registryUserFile();
    HKEY key = nullptr;
    ASSERT_NO_FATAL_FAILURE(openHereWithFirst(&key));
    RegCloseKey(key);
    useHome(away);
    if (!setImmutable(true))
        GTEST_SKIP() << "this file system or process cannot make a file immutable";

    useHome(home);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "v"), "first");
    EXPECT_NE(setText(key, "v", "second"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "the file is read-only");
    EXPECT_TRUE(plat::registryTakeNotices().empty());

    ASSERT_TRUE(setImmutable(false));
    EXPECT_EQ(setText(key, "v", "third"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "");
    EXPECT_EQ(queryText(key, "v"), "third");
    RegCloseKey(key);
}

// A file made immutable while the store is open takes no change in, but its log does: the
// program's end tells that the log, named, must stay beside the file, once, and the file with its
// log holds the change.
TEST_F(RegistryDamageTest, ALogThatCannotGoIntoItsFileIsToldAtTheEnd)
{
    file = plat::registryUserFile();
    HKEY key = nullptr;
    ASSERT_NO_FATAL_FAILURE(openHereWithFirst(&key));
    if (!setImmutable(true))
        GTEST_SKIP() << "this file system or process cannot make a file immutable";
    EXPECT_EQ(setText(key, "v", "second"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(plat::registryTakeNotices().empty());

    plat::registryClose();
    const std::vector<std::string> notices = plat::registryTakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0],
        "The registry file " + file + " could not take in its latest changes (the file cannot be written): they are kept in "
            + file + "-wal, which must stay beside it; copy or move both.");
    EXPECT_EQ(queryText(HKEY_CURRENT_USER, "missing"), "(none)");
    useHome(away);
    EXPECT_TRUE(plat::registryTakeNotices().empty());

    ASSERT_TRUE(setImmutable(false));
    useHome(home);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "v"), "second");
    RegCloseKey(key);
}

// A store closed after its file, its log and the log's index were made immutable while it was open
// (after its last change) leaves the log beside the file for a later end: merging it wrote to the
// index that SQLite has mapped, and the process died of a bus error at its end.
TEST_F(RegistryDamageTest, AStoreWhoseLogWasMadeImmutableClosesAndKeepsIt)
{
    file = plat::registryUserFile();
    HKEY key = nullptr;
    ASSERT_NO_FATAL_FAILURE(openHereWithFirst(&key));
    const std::string files[] = {file + "-wal", file + "-shm", file};
    struct Writable {
        const std::string (&files)[3];
        ~Writable()
        {
            for (const std::string& f : files)
                setImmutable(f, false);
        }
    } writable{files};
    for (const std::string& f : files)
        if (!setImmutable(f, true))
            GTEST_SKIP() << "this file system or process cannot make a file immutable";
    RegCloseKey(key);
    useHome(away);
    EXPECT_TRUE(fs::exists(files[0]));

    for (const std::string& f : files)
        ASSERT_TRUE(setImmutable(f, false));
    useHome(home);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "v"), "first");
    RegCloseKey(key);
}

// The log's index made immutable while the store is open, and written back to the disk: the
// store reads on and refuses changes as a read-only file's, where a write through its mapped index
// killed the process with a bus error; once the index is writable again, changes are stored.
TEST_F(RegistryDamageTest, ALogIndexMadeImmutableWhileOpenIsNoCrash)
{
    file = plat::registryUserFile();
    HKEY key = nullptr;
    ASSERT_NO_FATAL_FAILURE(openHereWithFirst(&key));
    const std::string index = file + "-shm";
    ASSERT_TRUE(fs::exists(index));
    if (!setImmutable(index, true))
        GTEST_SKIP() << "this file system or process cannot make a file immutable";
    struct Writable {
        const std::string& index;
        ~Writable() { setImmutable(index, false); }
    } writable{index};
    // Written back, the index's pages are mapped read-only until the next write asks the file
    // system, which refuses an immutable file's.
    const int fd = ::open(index.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::fsync(fd);
    ::close(fd);

    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(queryText(key, "v"), "first");
    EXPECT_NE(setText(key, "v", "second"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "the file is read-only");
    EXPECT_EQ(queryText(key, "v"), "first");

    ASSERT_TRUE(setImmutable(index, false));
    EXPECT_EQ(setText(key, "v", "third"), ERROR_SUCCESS);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "");
    EXPECT_EQ(queryText(key, "v"), "third");
    RegCloseKey(key);
}

// A disk that was full and then freed takes the next changes and keeps taking them: the log, cut
// back after each merge, does not grow into the room that was freed.
TEST_F(RegistryDamageTest, AFullDiskThatWasFreedTakesChangesAndKeepsTakingThem)
{
    const fs::path small = vnt::test::testHome() / "small";
    fs::create_directories(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=600k") != 0)
        GTEST_SKIP() << "mounting a tmpfs of 600 KB needs root: " << std::strerror(errno);
    struct Unmount {
        const fs::path& at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};
    useHome(small);
    constexpr int kValues = 200;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tree", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    auto change = [key](int i) { return setText(key, ("v" + std::to_string(i % kValues)).c_str(), valueOf(i)); };
    for (int i = 0; i < kValues; ++i)
        ASSERT_EQ(change(i), ERROR_SUCCESS);

    const fs::path filler = small / "filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(kPage, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    int refused = -1;
    for (int i = 0; i < 2000 && refused < 0; ++i)
        if (change(i) != ERROR_SUCCESS)
            refused = i;
    ASSERT_GE(refused, 0) << "a full disk took every change";
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "the disk is full");

    fs::remove(filler);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(change(i), ERROR_SUCCESS) << "change " << i << ": " << plat::registryWriteFailure(HKEY_CURRENT_USER);
    EXPECT_EQ(plat::registryWriteFailure(HKEY_CURRENT_USER), "");
    EXPECT_EQ(queryText(key, "v199"), valueOf(1999));
    RegCloseKey(key);
    useHome(away);
}

} // namespace

namespace {

// The machine file's notice says how its plug-in registrations are made again.
TEST(RegistryDamage, TheMachineFilesNoticeTellsHowToRegisterThePlugInsAgain)
{
    const std::string machine = (vnt::test::testHome() / "garbage-machine.db").string();
    std::string garbage(2 * kPage, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i * 37 + 11);
    writeBytes(machine, garbage);
    plat::registryTakeNotices();
    setenv("VANTREL_MACHINE_REGISTRY", machine.c_str(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\M", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(key);
    const std::vector<std::string> notices = plat::registryTakeNotices();
    unsetenv("VANTREL_MACHINE_REGISTRY");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind("The registry file " + machine + " is damaged. It is kept as " + machine + ".damaged-", 0),
        0u)
        << notices[0];
    EXPECT_NE(notices[0].find("registered again by ./build.sh run"), std::string::npos) << notices[0];
}

} // namespace
