#pragma once

// The keys and values of one section of a profile (INI) file. The key names are read by GetAll,
// each value on its first request; the file is never written and a loaded value never re-read.

#include "vbArray.h"
#include "vbExport.h"
#include "vbString.h"

#include <cstdint>

class VBAPI vbSettings {
public:
    vbSettings() = default;
    vbSettings(const vbSettings& o);
    vbSettings& operator=(const vbSettings& o);
    ~vbSettings();

    // Replaces the entries by the key names of section in file; answers their number.
    int GetAll(const vbString& file, const vbString& section);
    int GetLength() const { return m_entries.GetLength(); }
    // 1-based.
    vbString GetKey(int i) const;
    // Read from the file on the first request (199 characters at most).
    vbString GetValue(int i);

    struct Entry {
        vbString key;
        vbString value;
        uint8_t loaded = 0;
    };

private:
    vbString m_file;
    vbString m_section;
    vbArray<Entry> m_entries;
};
