#include "RegStore.h"

#include "RegSalvage.h"

#include "plat/errors.h"

#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace plat::reg {

namespace {

// The registry's own result for a database that cannot be read or written.
constexpr LONG kIoFailed = 1016; // ERROR_REGISTRY_IO_FAILED

bool isBusy(int rc)
{
    int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool isDamage(int rc)
{
    int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Raised inside a body when another process holds the database; the transaction is retried.
struct Busy {};

// How often a transaction starts again while another process holds the database.
constexpr int kBusyAttempts = 1000;

void check(sqlite3* db, int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    (void)db;
    if (isBusy(rc))
        throw Busy{};
    throw Failure{kIoFailed, rc};
}

} // namespace

Stmt& Stmt::bind(int i, int64_t v)
{
    check(m_db, sqlite3_bind_int64(m_stmt, i, v));
    return *this;
}

Stmt& Stmt::bind(int i, const std::string& text)
{
    check(m_db, sqlite3_bind_text(m_stmt, i, text.data(), (int)text.size(), SQLITE_TRANSIENT));
    return *this;
}

Stmt& Stmt::bindBlob(int i, const void* data, size_t size)
{
    // A zero-length value is still a value: bind an empty blob rather than NULL.
    static const char none = 0;
    check(m_db, sqlite3_bind_blob(m_stmt, i, size ? data : &none, (int)size, SQLITE_TRANSIENT));
    return *this;
}

bool Stmt::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    check(m_db, rc);
    return false;
}

std::string Stmt::text(int col) const
{
    const unsigned char* p = sqlite3_column_text(m_stmt, col);
    return p ? std::string(reinterpret_cast<const char*>(p), (size_t)sqlite3_column_bytes(m_stmt, col)) : std::string();
}

RegStore::RegStore(std::string path, std::vector<std::string> roots, void (*seed)(RegStore&))
    : m_path(std::move(path)), m_roots(std::move(roots)), m_seed(seed)
{
}

RegStore::~RegStore() { close(); }

void RegStore::close()
{
    if (m_db && m_span == Span::open)
        control("ROLLBACK");
    m_span = Span::none;
    for (auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    m_statements.clear();
    if (m_db && !canMergeLog())
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

// SQLite maps the log's index for writing when it can open it so, and a write through that map
// to an index made immutable or read-only since faults the process.
bool RegStore::logIndexWritable() const
{
    const std::string index = m_path + "-shm";
    return ::access(index.c_str(), F_OK) != 0 || ::access(index.c_str(), W_OK) == 0;
}

const char* RegStore::unwritableFile() const
{
    const std::pair<const char*, const char*> files[] = {
        {"", "the file cannot be written"}, {"-wal", "its log cannot be written"}, {"-shm", "its log's index cannot be written"}};
    for (const auto& [suffix, reason] : files) {
        const std::string file = m_path + suffix;
        if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0)
            return reason;
    }
    return nullptr;
}

// Merging the log writes the file, the log and the log's index, which SQLite has mapped: an index
// made immutable or read-only since faults the process on the merge's first write to it. Such a
// log, or one whose last change was refused, stays beside the file for an end that can merge it.
bool RegStore::canMergeLog() const { return !m_writeFailure && !unwritableFile(); }

std::string RegStore::keptLogReason() const
{
    const std::string log = m_path + "-wal";
    struct stat status {};
    if (!m_db || ::stat(log.c_str(), &status) != 0 || status.st_size == 0 || canMergeLog())
        return {};
    if (m_writeFailure)
        return describe(m_writeFailure);
    const char* reason = unwritableFile();
    return reason ? reason : "";
}

Stmt RegStore::sql(const char* text)
{
    auto it = m_statements.find(text);
    if (it == m_statements.end()) {
        sqlite3_stmt* stmt = nullptr;
        check(m_db, sqlite3_prepare_v3(m_db, text, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
        it = m_statements.emplace(text, stmt).first;
    }
    return Stmt(m_db, it->second);
}

LONG RegStore::open()
{
    if (m_db)
        return ERROR_SUCCESS;
    LONG result = connect();
    if (result != ERROR_SUCCESS)
        return result;
    if (m_damaged || looksDamaged()) {
        close();
        // A new file gives its keys new ids: a store in use is replaced by the registry, which
        // forgets the handles on it, and the new store replaces the file.
        if (m_used) {
            m_damaged = true;
            m_lastError = SQLITE_CORRUPT;
            return kIoFailed;
        }
        result = replaceDamaged();
    } else {
        result = createSchema();
    }
    if (result != ERROR_SUCCESS)
        close();
    m_used = m_used || result == ERROR_SUCCESS;
    return result;
}

LONG RegStore::connect()
{
    int rc = sqlite3_open_v2(m_path.c_str(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE, nullptr);
    if (rc != SQLITE_OK) {
        m_lastError = rc;
        close();
        return kIoFailed;
    }
    m_indexWritable = logIndexWritable();
    sqlite3_busy_timeout(m_db, 10000);
    if (m_refuseWrites)
        sqlite3_exec(m_db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    return ERROR_SUCCESS;
}

void RegStore::refuseWrites(bool refuse)
{
    m_refuseWrites = refuse;
    if (m_db)
        sqlite3_exec(m_db, refuse ? "PRAGMA query_only=1" : "PRAGMA query_only=0", nullptr, nullptr, nullptr);
}

// What a disk fault or a crash leaves: a file that is no database, or one whose pages do not
// hold together.
bool RegStore::looksDamaged()
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt);
    const unsigned char* answer = rc == SQLITE_ROW ? sqlite3_column_text(stmt, 0) : nullptr;
    const bool problem = rc == SQLITE_ROW && (!answer || std::string(reinterpret_cast<const char*>(answer)) != "ok");
    sqlite3_finalize(stmt);
    return problem || isDamage(rc);
}

// The damaged file is kept as it is, for whoever wants to look into it or mend it; the program
// goes on with what could be read of it.
LONG RegStore::replaceDamaged()
{
    DamageReport report;
    if (m_replaced) {
        m_lastError = SQLITE_CORRUPT;
        return kIoFailed;
    }
    m_replaced = true;
    m_damaged = false;
    try {
        report.copy = keepDamagedAside(m_path);
    } catch (const std::runtime_error& e) {
        report.failure = e.what();
        m_damageReport = report;
        m_lastError = SQLITE_CORRUPT;
        return kIoFailed;
    }
    const Salvaged rows = readWhatRemains(m_path);
    removeDatabase(m_path);
    LONG result = connect();
    if (result == ERROR_SUCCESS)
        result = createSchema();
    if (result == ERROR_SUCCESS)
        result = run(true, [&]() -> LONG {
            carry(rows, report);
            return ERROR_SUCCESS;
        });
    if (result != ERROR_SUCCESS)
        report.failure = "no new file can be made in its place: " + describe(m_lastError);
    m_damageReport = report;
    return result;
}

// Keys keep their place under their parents (ids are new); a key whose parent was lost cannot be
// placed, nor can the values of a key that was lost.
void RegStore::carry(const Salvaged& rows, DamageReport& report)
{
    std::unordered_map<int64_t, int64_t> ids;
    for (const Salvaged::Key& key : rows.keys) {
        int64_t parent = 0;
        if (key.parent != 0) {
            auto found = ids.find(key.parent);
            if (found == ids.end())
                continue;
            parent = found->second;
            ++report.keys;
        }
        bool created;
        ids[key.id] = makeChild(parent, key.name, created);
    }
    for (const Salvaged::Value& value : rows.values) {
        auto found = ids.find(value.key);
        if (found == ids.end())
            continue;
        setValue(found->second, value.name, DWORD(value.type), value.data.data(), value.data.size());
        ++report.values;
    }
}

std::optional<RegStore::DamageReport> RegStore::takeDamageReport()
{
    std::optional<DamageReport> report;
    report.swap(m_damageReport);
    return report;
}

std::string RegStore::describe(int sqlite)
{
    switch (sqlite & 0xFF) {
    case SQLITE_READONLY: return "the file is read-only";
    case SQLITE_FULL: return "the disk is full";
    case SQLITE_PERM:
    case SQLITE_AUTH: return "writing it is not permitted";
    case SQLITE_CANTOPEN: return "the file cannot be opened";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "the file is damaged";
    case SQLITE_IOERR: return std::string("the disk refused it (") + sqlite3_errstr(sqlite) + ")";
    default: return sqlite3_errstr(sqlite);
    }
}

LONG RegStore::createSchema()
{
    // WAL lets readers go on while one process writes; NORMAL sync keeps every committed call
    // through a process crash without a disk flush on each one.
    for (int attempt = 0; attempt < 200; ++attempt) {
        int rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            break;
        if (!isBusy(rc)) {
            m_lastError = rc;
            return kIoFailed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    // SQLite's own pace (a merge every 1000 pages) let the log reach 4 MB and stay that large, which
    // on a small or nearly full disk took the room the next change needed. Merged every 100 pages
    // and cut back after each merge, it stays near 400 KB.
    sqlite3_exec(m_db, "PRAGMA wal_autocheckpoint=100", nullptr, nullptr, nullptr);
    sqlite3_exec(m_db, "PRAGMA journal_size_limit=65536", nullptr, nullptr, nullptr);
    m_rootIds.assign(m_roots.size(), 0);
    // A connection that can only read still finds its roots: it cannot take the write lock.
    const bool canWrite = m_indexWritable && !m_refuseWrites && sqlite3_db_readonly(m_db, "main") != 1;
    return run(canWrite, [this]() -> LONG {
        Stmt version = sql("PRAGMA user_version");
        bool fresh = version.step() && version.integer(0) == 0;
        if (fresh) {
            check(m_db, sqlite3_exec(m_db,
                "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
                " name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
                "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
                " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;"
                "PRAGMA user_version=1;",
                nullptr, nullptr, nullptr));
        }
        for (size_t i = 0; i < m_roots.size(); ++i) {
            bool created;
            m_rootIds[i] = makeChild(0, m_roots[i], created);
        }
        if (fresh && m_seed)
            m_seed(*this);
        return ERROR_SUCCESS;
    });
}

LONG RegStore::refresh(bool write)
{
    // A log index that can no longer be written is let go before SQLite writes through its map;
    // the next connection maps it for reading. A file or an index that could only be opened for
    // reading may be writable by now: each change tries.
    const bool indexLost = m_indexWritable && !logIndexWritable();
    if (!indexLost && !(write && (sqlite3_db_readonly(m_db, "main") == 1 || !m_indexWritable)))
        return ERROR_SUCCESS;
    close();
    const LONG result = open();
    if (result != ERROR_SUCCESS && write)
        m_writeFailure = m_lastError ? m_lastError : SQLITE_CANTOPEN;
    return result;
}

LONG RegStore::transact(bool write, const std::function<LONG()>& body)
{
    if (m_span == Span::failed)
        return m_spanFailure;
    if (m_span == Span::none) {
        const LONG result = refresh(write);
        if (result != ERROR_SUCCESS)
            return result;
    }
    m_lastError = 0;
    const LONG result = m_span == Span::open ? inSpan(write, body) : run(write, body);
    if (isDamage(m_lastError))
        m_damaged = true;
    if (write && result == ERROR_SUCCESS && m_span == Span::none)
        m_writeFailure = 0;
    else if (write && m_lastError)
        m_writeFailure = m_lastError;
    return result;
}

// A spanning transaction that writes holds the write lock: nothing here waits for another
// process.
LONG RegStore::inSpan(bool write, const std::function<LONG()>& body)
{
    const int rc = write ? control("SAVEPOINT call") : SQLITE_OK;
    if (rc != SQLITE_OK) {
        m_lastError = rc;
        return kIoFailed;
    }
    bool busy = false;
    const LONG result = callBody(body, busy);
    if (busy)
        m_lastError = SQLITE_BUSY;
    if (write && result != ERROR_SUCCESS)
        control("ROLLBACK TO call");
    if (write)
        control("RELEASE call");
    return result;
}

LONG RegStore::beginReading()
{
    LONG result = connect();
    if (result != ERROR_SUCCESS)
        return result;
    sqlite3_exec(m_db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    const int rc = control("BEGIN");
    if (rc != SQLITE_OK) {
        m_lastError = rc;
        close();
        return kIoFailed;
    }
    m_span = Span::open;
    return ERROR_SUCCESS;
}

void RegStore::renewReading()
{
    control("COMMIT");
    control("BEGIN");
}

LONG RegStore::beginSpan()
{
    LONG result = refresh(true);
    for (int attempt = 1; result == ERROR_SUCCESS; ++attempt) {
        const int rc = control("BEGIN IMMEDIATE");
        if (rc == SQLITE_OK) {
            m_span = Span::open;
            return ERROR_SUCCESS;
        }
        if (!isBusy(rc) || attempt == kBusyAttempts) {
            m_lastError = m_writeFailure = rc;
            result = kIoFailed;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    m_span = Span::failed;
    m_spanFailure = result;
    return result;
}

LONG RegStore::commitSpan()
{
    if (m_span != Span::open) {
        m_span = Span::none;
        return m_spanFailure;
    }
    m_span = Span::none;
    const int rc = control("COMMIT");
    if (rc == SQLITE_OK) {
        m_writeFailure = 0;
        return ERROR_SUCCESS;
    }
    m_lastError = m_writeFailure = rc;
    control("ROLLBACK");
    return kIoFailed;
}

void RegStore::rollbackSpan()
{
    if (m_span == Span::open)
        control("ROLLBACK");
    m_span = Span::none;
}

LONG RegStore::callBody(const std::function<LONG()>& body, bool& busy)
{
    try {
        return body();
    } catch (const Busy&) {
        busy = true;
    } catch (const Failure& f) {
        if (f.sqlite)
            m_lastError = f.sqlite;
        return f.code;
    }
    return kIoFailed;
}

LONG RegStore::run(bool write, const std::function<LONG()>& body)
{
    // Reads run in a deferred transaction (one snapshot, never waiting for a writer under WAL);
    // writes take the write lock at once so that they cannot deadlock with another writer.
    for (int attempt = 1;; ++attempt) {
        bool retry = false;
        LONG result = ERROR_SUCCESS;
        int rc = control(write ? "BEGIN IMMEDIATE" : "BEGIN");
        if (rc != SQLITE_OK) {
            retry = isBusy(rc);
            result = kIoFailed;
            m_lastError = rc;
        } else {
            result = callBody(body, retry);
            // A refused write leaves nothing behind.
            if (!retry && (result == ERROR_SUCCESS || !write)) {
                rc = control("COMMIT");
                if (rc == SQLITE_OK)
                    return result;
                retry = isBusy(rc);
                result = kIoFailed;
                m_lastError = rc;
            }
            control("ROLLBACK");
        }
        if (!retry || attempt == kBusyAttempts)
            return result;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int RegStore::control(const char* text)
{
    // Prepared once: these run around every call.
    auto it = m_statements.find(text);
    if (it == m_statements.end()) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v3(m_db, text, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK)
            return rc;
        it = m_statements.emplace(text, stmt).first;
    }
    int rc = sqlite3_step(it->second);
    sqlite3_reset(it->second);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

bool RegStore::keyExists(int64_t id)
{
    Stmt s = sql("SELECT 1 FROM keys WHERE id=?1");
    s.bind(1, id);
    return s.step();
}

int64_t RegStore::child(int64_t parent, const std::string& name)
{
    Stmt s = sql("SELECT id FROM keys WHERE parent=?1 AND name=?2");
    s.bind(1, parent).bind(2, name);
    return s.step() ? s.integer(0) : 0;
}

int64_t RegStore::makeChild(int64_t parent, const std::string& name, bool& created)
{
    int64_t id = child(parent, name);
    created = id == 0;
    if (id)
        return id;
    Stmt s = sql("INSERT INTO keys(parent, name) VALUES(?1, ?2)");
    s.bind(1, parent).bind(2, name);
    s.step();
    return sqlite3_last_insert_rowid(m_db);
}

void RegStore::setValue(int64_t key, const std::string& name, DWORD type, const void* data, size_t size)
{
    // An existing value keeps the case of its name, as a key does.
    Stmt upsert = sql("INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
                      " ON CONFLICT(key, name) DO UPDATE SET type=excluded.type, data=excluded.data");
    upsert.bind(1, key).bind(2, name).bind(3, (int64_t)type).bindBlob(4, data, size);
    upsert.step();
}

} // namespace plat::reg
