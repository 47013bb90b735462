#include "plat/registry.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Closes a key when the test leaves.
struct Key {
    HKEY h = nullptr;
    ~Key()
    {
        if (h)
            RegCloseKey(h);
    }
    HKEY* operator&() { return &h; }
    operator HKEY() const { return h; }
};

LONG setText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), (DWORD)text.size() + 1);
}

std::string queryText(HKEY key, const char* name, LONG* rcOut = nullptr)
{
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string data(size, '\0');
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (rcOut)
        *rcOut = rc;
    if (rc != ERROR_SUCCESS)
        return "(error " + std::to_string(rc) + ")";
    if (!data.empty() && data.back() == '\0')
        data.pop_back();
    return data;
}

std::vector<std::string> subKeys(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        LONG rc = RegEnumKeyA(key, i, name, sizeof name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        EXPECT_EQ(rc, ERROR_SUCCESS);
        if (rc != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> valueNames(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cch = sizeof name;
        LONG rc = RegEnumValueA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        EXPECT_EQ(rc, ERROR_SUCCESS);
        if (rc != ERROR_SUCCESS)
            break;
        EXPECT_EQ(cch, std::strlen(name));
        names.push_back(name);
    }
    return names;
}

TEST(Registry, NamesAreCaseInsensitiveAndKeepTheirCase)
{
    Key created;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ABC", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                  &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
    ASSERT_EQ(setText(created, "Value", "one"), ERROR_SUCCESS);

    Key opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\abc", 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_EQ(queryText(opened, "VALUE"), "one");
    Key software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(subKeys(software), std::vector<std::string>{"ABC"});

    Key again;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\abc", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again,
                  &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
    // Writing a value under another case keeps the name it was first given.
    ASSERT_EQ(setText(again, "vAlUe", "two"), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(again), std::vector<std::string>{"Value"});
    EXPECT_EQ(queryText(created, "value"), "two");
}

TEST(Registry, EnumerationInCaseInsensitiveOrder)
{
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Order", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr),
        ERROR_SUCCESS);
    for (const char* name : {"beta", "Alpha", "gamma", "_under", "Delta"}) {
        Key sub;
        ASSERT_EQ(RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(setText(key, name, name), ERROR_SUCCESS);
    }
    ASSERT_EQ(setText(key, "", "default"), ERROR_SUCCESS);
    // ASCII letters fold to lower case, so "_" (0x5F) sorts before them.
    const std::vector<std::string> keys{"_under", "Alpha", "beta", "Delta", "gamma"};
    EXPECT_EQ(subKeys(key), keys);
    EXPECT_EQ(subKeys(key), keys);
    std::vector<std::string> values{""};
    values.insert(values.end(), keys.begin(), keys.end());
    EXPECT_EQ(valueNames(key), values);
    EXPECT_EQ(queryText(key, nullptr), "default");

    char small[4];
    DWORD cch = sizeof small;
    EXPECT_EQ(RegEnumKeyExA(key, 1, small, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = sizeof small;
    EXPECT_EQ(RegEnumKeyExA(key, 5, small, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    DWORD subCount, maxSub, valueCount, maxName, maxData;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subCount, &maxSub, nullptr, &valueCount, &maxName,
                  &maxData, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(subCount, 5u);
    EXPECT_EQ(maxSub, 6u);
    EXPECT_EQ(valueCount, 6u);
    EXPECT_EQ(maxName, 6u);
    EXPECT_EQ(maxData, 8u); // "default" with its zero
}

TEST(Registry, ValueTypesSizesAndErrors)
{
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Values", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr),
        ERROR_SUCCESS);
    const BYTE noZero[] = {'a', 'b', 'c'};
    ASSERT_EQ(RegSetValueExA(key, "raw", 0, REG_SZ, noZero, 3), ERROR_SUCCESS);
    DWORD number = 0x12345678;
    ASSERT_EQ(RegSetValueExA(key, "num", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4), ERROR_SUCCESS);
    const BYTE multi[] = {'a', 0, 'b', 0, 0};
    ASSERT_EQ(RegSetValueExA(key, "multi", 0, REG_MULTI_SZ, multi, sizeof multi), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "raw", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 3u); // stored as given, without a zero added
    BYTE buf[8];
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "raw", nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "num", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::memcmp(buf, "\x78\x56\x34\x12", 4), 0);
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "multi", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_MULTI_SZ);
    EXPECT_EQ(size, sizeof multi);
    size = 99;
    ASSERT_EQ(RegQueryValueExA(key, "empty", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);

    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "raw", nullptr, &type, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteValueA(key, "RAW"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "raw"), ERROR_FILE_NOT_FOUND);

    HKEY none = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nowhere", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(RegQueryValueExA((HKEY)(uintptr_t)0x1234, "x", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey((HKEY)(uintptr_t)0x1234), ERROR_INVALID_HANDLE);
    std::string longName(256, 'k');
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, longName.c_str(), 0, KEY_READ, &none), ERROR_INVALID_PARAMETER);
}

TEST(Registry, DeletingKeys)
{
    Key parent, child;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Del\\Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                  nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(setText(child, "v", "x"), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Del", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Del"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(parent, "missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, "CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(subKeys(parent), std::vector<std::string>{});
    // The handle on the deleted key says so.
    EXPECT_EQ(setText(child, "v", "y"), ERROR_KEY_DELETED);
    // A key made again under the same name starts empty.
    Key fresh;
    ASSERT_EQ(RegCreateKeyExA(parent, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &fresh, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(fresh), std::vector<std::string>{});
    EXPECT_EQ(setText(child, "v", "y"), ERROR_KEY_DELETED);
}

TEST(Registry, AccessRightsAndReadOnlyRoots)
{
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\RO", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "v", "before"), ERROR_SUCCESS);
    Key reader;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\RO", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(setText(reader, "v", "no"), ERROR_ACCESS_DENIED);

    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, true);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\RO", 0, KEY_ALL_ACCESS, &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\RO", 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(setText(key, "v", "during"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(queryText(reader, "v"), "before");
    // Other roots stay writable.
    Key user;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\RO", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr),
        ERROR_SUCCESS);
    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, false);
    EXPECT_EQ(setText(key, "v", "after"), ERROR_SUCCESS);
}

// A transaction holds every change of its thread until it is committed, and gives them all up
// when it goes without; a call in it that fails leaves none of its own changes and the others
// stay, for the caller to commit.
TEST(RegistryTransaction, CommitsAllOrNothingAndACallThatFailsLeavesNoneOfItsOwn)
{
    Key base;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tx", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(setText(base, "v", "before"), ERROR_SUCCESS);
    Key reader;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tx", 0, KEY_READ | KEY_SET_VALUE, &reader), ERROR_SUCCESS);
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit);
        {
            plat::RegistryTransaction transaction(HKEY_CURRENT_USER);
            Key made;
            ASSERT_EQ(RegCreateKeyExA(base, "Made\\Deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
                ERROR_SUCCESS);
            EXPECT_EQ(setText(made, "w", "x"), ERROR_SUCCESS);
            EXPECT_EQ(setText(base, "v", "inside"), ERROR_SUCCESS);
            EXPECT_EQ(queryText(base, "v"), "inside");
            {
                // One started inside joins it, and neither commits nor undoes it.
                plat::RegistryTransaction inner(HKEY_CURRENT_USER);
                EXPECT_EQ(inner.commit(), ERROR_BUSY);
            }
            EXPECT_EQ(queryText(base, "v"), "inside");
            // Creates Other and Other\Sub before it finds that the handle may not.
            HKEY refused = nullptr;
            EXPECT_EQ(RegCreateKeyExA(reader, "Other\\Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &refused, nullptr),
                ERROR_ACCESS_DENIED);
            EXPECT_EQ(subKeys(base), std::vector<std::string>{"Made"});
            if (commit) {
                EXPECT_EQ(transaction.commit(), ERROR_SUCCESS);
            }
        }
        EXPECT_EQ(queryText(base, "v"), commit ? "inside" : "before");
        EXPECT_EQ(subKeys(base), commit ? std::vector<std::string>{"Made"} : std::vector<std::string>{});
    }
    Key deep;
    ASSERT_EQ(RegOpenKeyExA(base, "Made\\Deep", 0, KEY_READ, &deep), ERROR_SUCCESS);
    EXPECT_EQ(queryText(deep, "w"), "x");
}

// Another thread's calls wait for the transaction's end: they never read what it may still give
// up.
TEST(RegistryTransaction, OtherThreadsWaitForItsEnd)
{
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "txWait", "before"), ERROR_SUCCESS);
    std::string seen;
    std::thread other;
    {
        plat::RegistryTransaction transaction(HKEY_CURRENT_USER);
        ASSERT_EQ(setText(HKEY_CURRENT_USER, "txWait", "given up"), ERROR_SUCCESS);
        std::atomic<bool> started{false};
        other = std::thread([&] {
            started = true;
            seen = queryText(HKEY_CURRENT_USER, "txWait");
        });
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    other.join();
    EXPECT_EQ(seen, "before");
}

// The reads of a read transaction see the database as it was at their first read, while another
// thread goes on changing it; the thread's own changes are stored, and seen.
TEST(RegistryTransaction, AReadTransactionSeesOneMomentAndHoldsNoOneUp)
{
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "txRead", "first"), ERROR_SUCCESS);
    {
        plat::RegistryReadTransaction reading(HKEY_CURRENT_USER);
        EXPECT_EQ(queryText(HKEY_CURRENT_USER, "txRead"), "first");
        std::thread([] { EXPECT_EQ(setText(HKEY_CURRENT_USER, "txRead", "second"), ERROR_SUCCESS); }).join();
        EXPECT_EQ(queryText(HKEY_CURRENT_USER, "txRead"), "first");
        EXPECT_EQ(setText(HKEY_CURRENT_USER, "txOwn", "stored"), ERROR_SUCCESS);
        EXPECT_EQ(queryText(HKEY_CURRENT_USER, "txOwn"), "stored");
    }
    EXPECT_EQ(queryText(HKEY_CURRENT_USER, "txRead"), "second");
    EXPECT_EQ(queryText(HKEY_CURRENT_USER, "txOwn"), "stored");
}

TEST(Registry, ClassesRootIsItsOwnHiveWithTheMimeDatabase)
{
    Key cp;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "MIME\\Database\\Codepage\\65001", 0, KEY_READ, &cp), ERROR_SUCCESS);
    EXPECT_EQ(queryText(cp, "BodyCharset"), "utf-8");
    Key latin;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "MIME\\Database\\Charset\\ISO-8859-1", 0, KEY_READ, &latin),
        ERROR_SUCCESS);
    DWORD type, cpNumber = 0, size = 4;
    ASSERT_EQ(RegQueryValueExA(latin, "InternetEncoding", nullptr, &type, reinterpret_cast<BYTE*>(&cpNumber), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(cpNumber, 28591u);
    Key alias;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "MIME\\Database\\Charset\\latin1", 0, KEY_READ, &alias), ERROR_SUCCESS);
    EXPECT_EQ(queryText(alias, "AliasForCharset"), "iso-8859-1");
    for (auto [ext, type] : {std::pair{".jpg", "image/jpeg"}, {".JPEG", "image/jpeg"}, {".txt", "text/plain"},
             {".htm", "text/html"}}) {
        Key k;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ext, 0, KEY_READ, &k), ERROR_SUCCESS) << ext;
        EXPECT_EQ(queryText(k, "Content Type"), type);
    }

    Key cls;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Only.Here", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &cls, nullptr),
        ERROR_SUCCESS);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Only.Here", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Only.Here", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, StoresFollowTheConfigurationFolder)
{
    namespace fs = std::filesystem;
    Key key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(plat::registryUserFile()));
    EXPECT_EQ(fs::path(plat::registryUserFile()).parent_path(), fs::path(plat::registryMachineFile()).parent_path());
    EXPECT_NE(plat::registryUserFile().find(vnt::test::testHome().string()), std::string::npos);

    const std::string home = vnt::test::testHome().string();
    const std::string other = home + "/other";
    fs::create_directories(other);
    setenv("VANTREL_HOME", other.c_str(), 1);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
    // The machine store may be named on its own.
    const std::string machine = home + "/machine.db";
    setenv("VANTREL_MACHINE_REGISTRY", machine.c_str(), 1);
    Key m;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\M", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m, nullptr),
        ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(machine));
    unsetenv("VANTREL_MACHINE_REGISTRY");
    setenv("VANTREL_HOME", home.c_str(), 1);
    Key back;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Here", 0, KEY_READ, &back), ERROR_SUCCESS);
}

// Starts the writer helper with its output on a pipe, in home when one is given (the registry of
// this process stays where it is); answers its pid and the pipe's read end.
pid_t startWriter(const char* tag, int count, FILE** out, const char* home = nullptr)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        if (home)
            setenv("VANTREL_HOME", home, 1);
        std::string program = std::string(VNT_BIN_DIR) + "/plat_helper_registry_writer";
        std::string n = std::to_string(count);
        execl(program.c_str(), program.c_str(), "Software\\Shared", tag, n.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    *out = fdopen(fds[0], "r");
    return pid;
}

int waitExit(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RegistryProcesses, TwoWritersAtOnceLoseNothing)
{
    FILE* outA;
    FILE* outB;
    pid_t a = startWriter("A", 1000, &outA);
    pid_t b = startWriter("B", 1000, &outB);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    char line[64];
    int linesA = 0, linesB = 0;
    while (std::fgets(line, sizeof line, outA))
        ++linesA;
    while (std::fgets(line, sizeof line, outB))
        ++linesB;
    fclose(outA);
    fclose(outB);
    EXPECT_EQ(waitExit(a), 0);
    EXPECT_EQ(waitExit(b), 0);
    EXPECT_EQ(linesA, 1000);
    EXPECT_EQ(linesB, 1000);

    Key key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::string last = queryText(key, "shared");
    EXPECT_TRUE(last == "A-999" || last == "B-999") << last;
    DWORD count = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                  nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(count, 2001u);
    for (const char* name : {"A999", "B999", "A0", "B500"}) {
        DWORD type, size = 4, v = 0;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS) << name;
    }
}

TEST(RegistryProcesses, KilledWriterLeavesEveryCompletedCall)
{
    FILE* out;
    pid_t pid = startWriter("K", 1000000, &out);
    ASSERT_GT(pid, 0);
    char line[64];
    long last = -1;
    while (last < 300 && std::fgets(line, sizeof line, out))
        last = std::strtol(line, nullptr, 10);
    kill(pid, SIGKILL);
    // Lines already written before the kill report calls that returned too.
    while (std::fgets(line, sizeof line, out))
        last = std::strtol(line, nullptr, 10);
    fclose(out);
    waitExit(pid);
    ASSERT_GE(last, 300);

    Key key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (long i = 0; i <= last; ++i) {
        std::string name = "K" + std::to_string(i);
        DWORD type = 0, size = 4, v = 0xFFFFFFFF;
        ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS)
            << name;
        ASSERT_EQ(v, (DWORD)i);
    }
    // The store takes writes again.
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "after", "kill"), ERROR_SUCCESS);
}

// A process that ends normally leaves a file that holds everything by itself, as a backup or a
// move copies it, and its log stays small on the way.
TEST(RegistryProcesses, AWriterThatEndsLeavesItsFileWholeAndItsLogSmallMeanwhile)
{
    namespace fs = std::filesystem;
    const fs::path own = vnt::test::testHome() / "own";
    const fs::path file = own / "config" / "registry-user.db";
    const fs::path log = file.string() + "-wal";
    FILE* out;
    pid_t pid = startWriter("W", 1000, &out, own.c_str());
    ASSERT_GT(pid, 0);
    char line[64];
    int lines = 0;
    std::uintmax_t largestLog = 0;
    std::error_code error;
    while (std::fgets(line, sizeof line, out)) {
        ++lines;
        const std::uintmax_t size = fs::file_size(log, error);
        if (!error)
            largestLog = std::max(largestLog, size);
    }
    fclose(out);
    ASSERT_EQ(waitExit(pid), 0);
    ASSERT_EQ(lines, 1000);
    EXPECT_LT(largestLog, 1u << 20);
    EXPECT_TRUE(!fs::exists(log) || fs::file_size(log) <= 4 * 4096) << fs::file_size(log);

    const fs::path copy = vnt::test::testHome() / "copy";
    fs::create_directories(copy / "config");
    fs::copy_file(file, copy / "config" / "registry-user.db");
    setenv("VANTREL_HOME", copy.c_str(), 1);
    Key key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD count = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                  nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(count, 1001u);
    EXPECT_EQ(queryText(key, "shared"), "W-999");
    setenv("VANTREL_HOME", vnt::test::testHome().c_str(), 1);
}

// The hand-over at a second start: the one that ends leaves the log to the process that still
// has the file open, which goes on reading and writing it.
TEST(RegistryProcesses, AWriterThatEndsBesideAnotherUserOfTheFileLeavesItUndisturbed)
{
    ASSERT_EQ(setText(HKEY_CURRENT_USER, "before", "it"), ERROR_SUCCESS);
    FILE* out;
    pid_t pid = startWriter("E", 300, &out);
    ASSERT_GT(pid, 0);
    char line[64];
    while (std::fgets(line, sizeof line, out)) {
    }
    fclose(out);
    ASSERT_EQ(waitExit(pid), 0);

    Key key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "shared"), "E-299");
    EXPECT_EQ(setText(key, "after", "it"), ERROR_SUCCESS);
    EXPECT_EQ(queryText(key, "after"), "it");
    EXPECT_EQ(queryText(HKEY_CURRENT_USER, "before"), "it");
}

} // namespace
