#include "RegSalvage.h"

#include <sqlite3.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace plat::reg {

namespace {

namespace fs = std::filesystem;

// A table read in the order of an integer position (a key's id, a value's key) and a name
// within it.
struct Scan {
    // The rows at and after position ?1.
    const char* from;
    // The rows after the last one read: ?1 its position, ?2 its name (unused for keys).
    const char* after;
    int nameColumn;
    // Whether the rows are ordered by name within a position too.
    bool named;
};

const Scan kKeys = {"SELECT id, parent, name FROM keys WHERE id >= ?1 ORDER BY id",
    "SELECT id, parent, name FROM keys WHERE id > ?1 ORDER BY id", 2, false};
const Scan kValues = {"SELECT key, name, type, data FROM vals WHERE key >= ?1 ORDER BY key, name",
    "SELECT key, name, type, data FROM vals WHERE (key, name) > (?1, ?2) ORDER BY key, name", 1, true};

std::string columnText(sqlite3_stmt* st, int col)
{
    const unsigned char* p = sqlite3_column_text(st, col);
    return p ? std::string(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(st, col))) : std::string();
}

class Reader {
public:
    explicit Reader(const std::string& path)
    {
        // Opened for writing, so that a log left by a crash is read too: the file is replaced
        // afterwards, and its copy is what is kept.
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            return;
        }
        // Its tables are read even where the schema does not hold together; nothing is written.
        sqlite3_exec(m_db, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
    }
    ~Reader() { sqlite3_close_v2(m_db); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void scan(const Scan& s, const std::function<void(sqlite3_stmt*)>& row)
    {
        if (!m_db)
            return;
        int64_t from = 0;
        bool continuing = false;
        int64_t lastPosition = 0;
        std::string lastName;
        for (;;) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db, continuing ? s.after : s.from, -1, &st, nullptr) != SQLITE_OK) {
                sqlite3_finalize(st);
                return; // no table left to read
            }
            sqlite3_bind_int64(st, 1, continuing ? lastPosition : from);
            if (continuing && s.named)
                sqlite3_bind_text(st, 2, lastName.data(), int(lastName.size()), SQLITE_TRANSIENT);
            bool any = false;
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                any = true;
                lastPosition = sqlite3_column_int64(st, 0);
                lastName = columnText(st, s.nameColumn);
                row(st);
            }
            sqlite3_finalize(st);
            if (rc == SQLITE_DONE)
                return;
            int64_t bad = from;
            if (any || continuing) {
                // What follows the last row read is lost up to the next readable position.
                bad = lastPosition + 1;
                if (readable(s, bad)) {
                    from = bad;
                    continuing = false;
                    continue;
                }
            }
            from = nextReadable(s, bad);
            if (from < 0)
                return;
            continuing = false;
        }
    }

private:
    // Whether the rows at and after position from can be read, or there are none.
    bool readable(const Scan& s, int64_t from)
    {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(m_db, s.from, -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_int64(st, 1, from);
            rc = sqlite3_step(st);
        }
        sqlite3_finalize(st);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }

    // The first readable position after bad, which is not: found by growing steps, then narrowed
    // down between the last unreadable one and the first readable; -1 when none is left.
    int64_t nextReadable(const Scan& s, int64_t bad)
    {
        int64_t low = bad;
        for (int shift = 0; shift < 62; ++shift) {
            const int64_t step = int64_t(1) << shift;
            if (low > std::numeric_limits<int64_t>::max() - step)
                break;
            int64_t high = low + step;
            if (!readable(s, high)) {
                low = high;
                continue;
            }
            while (high - low > 1) {
                const int64_t middle = low + (high - low) / 2;
                (readable(s, middle) ? high : low) = middle;
            }
            return high;
        }
        return -1;
    }

    sqlite3* m_db = nullptr;
};

std::string timeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// SQLite reads nothing of a file shorter than its header says; filled up with zeros to its length,
// the pages that remain can be read. The file is replaced afterwards, and its copy is what is kept.
void padCutFile(const std::string& path)
{
    unsigned char header[32] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in.read(reinterpret_cast<char*>(header), sizeof header))
            return;
    }
    const uintmax_t pageSize = header[16] == 0 && header[17] == 1 ? 65536 : (uintmax_t(header[16]) << 8) | header[17];
    const uintmax_t pages = (uintmax_t(header[28]) << 24) | (uintmax_t(header[29]) << 16) | (uintmax_t(header[30]) << 8)
        | header[31];
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    // At most what a registry could hold, in case the header itself is garbage.
    constexpr uintmax_t kLargest = uintmax_t(1) << 30;
    if (!error && pageSize >= 512 && pages * pageSize > size && pages * pageSize <= kLargest)
        fs::resize_file(path, pages * pageSize, error);
}

} // namespace

std::string keepDamagedAside(const std::string& path)
{
    const std::string base = path + ".damaged-" + timeStamp();
    std::string copy = base;
    std::error_code error;
    for (int n = 2; fs::exists(copy, error) || fs::exists(copy + "-wal", error); ++n)
        copy = base + "-" + std::to_string(n);
    if (!fs::copy_file(path, copy, error))
        throw std::runtime_error("it cannot be copied to " + copy + " (" + error.message() + ")");
    const std::string log = path + "-wal";
    if (fs::file_size(log, error) > 0 && !error && !fs::copy_file(log, copy + "-wal", error))
        throw std::runtime_error("its log cannot be copied to " + copy + "-wal (" + error.message() + ")");
    return copy;
}

Salvaged readWhatRemains(const std::string& path)
{
    Salvaged out;
    padCutFile(path);
    Reader reader(path);
    reader.scan(kKeys, [&](sqlite3_stmt* st) {
        out.keys.push_back({sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1), columnText(st, 2)});
    });
    reader.scan(kValues, [&](sqlite3_stmt* st) {
        const char* data = static_cast<const char*>(sqlite3_column_blob(st, 3));
        out.values.push_back({sqlite3_column_int64(st, 0), columnText(st, 1), sqlite3_column_int64(st, 2),
            std::string(data ? data : "", size_t(sqlite3_column_bytes(st, 3)))});
    });
    return out;
}

void removeDatabase(const std::string& path)
{
    std::error_code error;
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix, error);
}

} // namespace plat::reg
