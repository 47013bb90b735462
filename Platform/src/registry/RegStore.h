#pragma once

// One registry database: the keys of its roots and their values, in SQLite. Keys are rows with
// their parent's id, never reused, so that a handle on a deleted key cannot name its successor;
// names compare with NOCASE, which folds ASCII letters only. Callers hold the registry's lock;
// every operation runs in a transaction that is retried while another process holds the
// database, or inside the one transaction that spans several calls while it is open.

#include "plat/types.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat::reg {

// Thrown inside a transaction body to end it with a Win32 result; sqlite is SQLite's result when
// the database failed.
struct Failure {
    LONG code;
    int sqlite = 0;
};

// A prepared statement taken from the store's cache; reset and unbound when it goes.
class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~Stmt()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, int64_t v);
    Stmt& bind(int i, const std::string& text);
    Stmt& bindBlob(int i, const void* data, size_t size);
    // True for a row, false at the end; a database error throws Failure.
    bool step();
    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    std::string text(int col) const;
    const void* blob(int col) const { return sqlite3_column_blob(m_stmt, col); }
    size_t size(int col) const { return (size_t)sqlite3_column_bytes(m_stmt, col); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

struct Salvaged;

class RegStore {
public:
    // A damaged database met: where it was kept and what was carried into the new one, or why
    // that could not be done.
    struct DamageReport {
        std::string copy;
        size_t keys = 0;
        size_t values = 0;
        std::string failure;
    };

    // roots: the names of the root keys this database holds; seed fills a new database.
    RegStore(std::string path, std::vector<std::string> roots, void (*seed)(RegStore&));
    ~RegStore();
    RegStore(const RegStore&) = delete;
    RegStore& operator=(const RegStore&) = delete;

    // Opens (and on first use creates) the database; a Win32 result. A database that SQLite finds
    // damaged (or one marked so) is kept aside and replaced by one holding what could be read.
    LONG open();
    // Lets go of the database; the next call opens it again. The last connection to close merges
    // the log into the file and removes it, unless another process still has the file open.
    void close();
    // The database failed as only a damaged one does: open it anew.
    bool damaged() const { return m_damaged; }
    void markDamaged() { m_damaged = true; }
    std::optional<DamageReport> takeDamageReport();
    // SQLite's result for the last change that the database refused, 0 once one succeeded.
    int writeFailure() const { return m_writeFailure; }
    // SQLite's result for the last failure of the database.
    int lastError() const { return m_lastError; }
    // Every change refused as SQLite refuses it on a read-only file; for tests.
    void refuseWrites(bool refuse);
    // A SQLite result in words a person understands.
    static std::string describe(int sqlite);
    const std::string& path() const { return m_path; }
    int64_t rootId(size_t index) const { return m_rootIds[index]; }

    // Runs body in one transaction (an immediate one when it writes), retrying while the
    // database is busy; answers body's result, or the Failure it throws. Inside a spanning
    // transaction a change is undone alone when it fails.
    LONG transact(bool write, const std::function<LONG()>& body);

    // One transaction for every call until it ends; its start takes the write lock, retrying
    // while another process holds it. A spanning transaction that could not start fails every
    // call until it ends.
    LONG beginSpan();
    LONG commitSpan();
    void rollbackSpan();
    bool spanning() const { return m_span != Span::none; }

    // A connection of its own that only reads, in one read transaction until the store goes: it
    // sees the database as it was at its first read. Damage is left to the store that writes.
    LONG beginReading();
    // Ends the read transaction and starts another, which sees the latest changes.
    void renewReading();

    // Why closing now would leave the log beside the file unmerged; empty when it would be
    // merged or holds nothing.
    std::string keptLogReason() const;

    Stmt sql(const char* text);

    // Key helpers for transaction bodies.
    bool keyExists(int64_t id);
    // The child's id, or 0.
    int64_t child(int64_t parent, const std::string& name);
    // Creates the child (when missing); created tells which.
    int64_t makeChild(int64_t parent, const std::string& name, bool& created);
    void setValue(int64_t key, const std::string& name, DWORD type, const void* data, size_t size);

private:
    bool logIndexWritable() const;
    // Why the file, its log or the log's index, where it exists, cannot be written; null when all can.
    const char* unwritableFile() const;
    bool canMergeLog() const;
    LONG connect();
    // Opens a connection again when its file or its log's index changed since; a Win32 result.
    LONG refresh(bool write);
    LONG inSpan(bool write, const std::function<LONG()>& body);
    bool looksDamaged();
    LONG replaceDamaged();
    void carry(const Salvaged& rows, DamageReport& report);
    // Runs a transaction body: its result, or the Failure it throws; busy is set when another
    // process held the database.
    LONG callBody(const std::function<LONG()>& body, bool& busy);
    LONG run(bool write, const std::function<LONG()>& body);
    int control(const char* text);
    LONG createSchema();

    std::string m_path;
    std::vector<std::string> m_roots;
    std::vector<int64_t> m_rootIds;
    void (*m_seed)(RegStore&);
    sqlite3* m_db = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
    bool m_damaged = false;
    // Opened once: handles may name its keys.
    bool m_used = false;
    // A damaged file is replaced once: a store that still fails after that stays failed.
    bool m_replaced = false;
    std::optional<DamageReport> m_damageReport;
    int m_lastError = 0;
    int m_writeFailure = 0;
    bool m_refuseWrites = false;
    // Whether the connection could map the log's index for writing when it opened.
    bool m_indexWritable = true;
    enum class Span { none, open, failed };
    Span m_span = Span::none;
    LONG m_spanFailure = 0;
};

// The small MIME database every new machine store starts with.
void seedMachineStore(RegStore& store);

} // namespace plat::reg
