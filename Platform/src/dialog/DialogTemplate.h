#pragma once

// A dialog template read from its bytes (see plat/dialog.h for the layout), exported for the
// tests and the fuzz target. Every count and
// length is checked against the size given; a template that does not fit reads as nothing.

#include "plat/api.h"
#include "plat/types.h"

#include <optional>
#include <string>
#include <vector>

namespace plat::dialog {

// A menu, class or text field: none, an ordinal, or a name.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string name; // UTF-8
};

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string caption;
    // With DS_SETFONT.
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string face;
    std::vector<DialogItem> items;
};

PLATAPI std::optional<DialogTemplate> parseTemplate(const BYTE* data, size_t size);

// The class name of a control's ordinal class (0x80 Button ... 0x85 ComboBox), else null.
PLATAPI const char* ordinalClassName(WORD ordinal);

} // namespace plat::dialog
