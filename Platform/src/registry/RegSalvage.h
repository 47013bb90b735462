#pragma once

// A damaged registry database kept aside and read for what it still holds. The file is copied
// byte for byte under a name that says it is damaged; then it is read row by row: where a page
// cannot be read, the reading goes on with the first readable row after it.

#include <cstdint>
#include <string>
#include <vector>

namespace plat::reg {

struct Salvaged {
    struct Key {
        int64_t id;
        int64_t parent;
        std::string name;
    };
    struct Value {
        int64_t key;
        std::string name;
        int64_t type;
        std::string data;
    };
    // Keys in the order of their ids, so that a parent comes before its children.
    std::vector<Key> keys;
    std::vector<Value> values;
};

// Copies path (and its write-ahead log, which a crash leaves) to path.damaged-<date and time>;
// answers the copy's name. Throws std::runtime_error when the copy cannot be made.
std::string keepDamagedAside(const std::string& path);

// Every key and value of the database at path that SQLite still returns.
Salvaged readWhatRemains(const std::string& path);

// Removes the database at path with its log and shared-memory files.
void removeDatabase(const std::string& path);

} // namespace plat::reg
