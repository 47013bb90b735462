// Reading dialog templates field by field, little-endian, never past the end.

#include "DialogTemplate.h"

#include "plat/codepage.h"
#include "plat/dialog.h"

namespace plat::dialog {

namespace {

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t offset() const { return m_at; }
    void seek(size_t offset) { m_at = offset; }

    WORD word()
    {
        if (!need(2))
            return 0;
        WORD v = WORD(m_data[m_at] | m_data[m_at + 1] << 8);
        m_at += 2;
        return v;
    }
    DWORD dword()
    {
        DWORD low = word();
        return low | DWORD(word()) << 16;
    }
    short signedWord() { return short(word()); }
    BYTE byte()
    {
        if (!need(1))
            return 0;
        return m_data[m_at++];
    }
    // A NUL-ended UTF-16 string, made UTF-8.
    std::string text()
    {
        std::u16string units;
        for (WORD unit = word(); m_ok && unit != 0; unit = word())
            units.push_back(char16_t(unit));
        return m_ok ? utf8FromUtf16(units) : std::string();
    }
    NameOrOrdinal nameOrOrdinal()
    {
        NameOrOrdinal field;
        if (!need(2))
            return field;
        if (m_data[m_at] == 0xFF && m_data[m_at + 1] == 0xFF) {
            m_at += 2;
            field.isOrdinal = true;
            field.ordinal = word();
        } else {
            field.name = text();
        }
        return field;
    }
    void alignTo4()
    {
        const size_t aligned = (m_at + 3) & ~size_t(3);
        if (aligned > m_size)
            m_ok = false; // an item must start inside the template
        else
            m_at = aligned;
    }
    std::vector<BYTE> bytes(size_t count)
    {
        if (!need(count))
            return {};
        std::vector<BYTE> out(m_data + m_at, m_data + m_at + count);
        m_at += count;
        return out;
    }

private:
    bool need(size_t count)
    {
        if (!m_ok || count > m_size - m_at) {
            m_ok = false;
            return false;
        }
        return true;
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_ok = true;
};

DialogItem readItem(Reader& in, bool extended)
{
    DialogItem item;
    in.alignTo4();
    if (extended) {
        in.dword(); // help id
        item.exStyle = in.dword();
        item.style = in.dword();
    } else {
        item.style = in.dword();
        item.exStyle = in.dword();
    }
    item.x = in.signedWord();
    item.y = in.signedWord();
    item.cx = in.signedWord();
    item.cy = in.signedWord();
    item.id = extended ? in.dword() : in.word();
    item.windowClass = in.nameOrOrdinal();
    item.text = in.nameOrOrdinal();
    const WORD extra = in.word();
    item.creationData = in.bytes(extra);
    return item;
}

} // namespace

std::optional<DialogTemplate> parseTemplate(const BYTE* data, size_t size)
{
    if (!data)
        return std::nullopt;
    DialogTemplate t;
    Reader in(data, size);
    WORD count = 0;
    // A plain template starts with its style; an extended one with version 1 and 0xFFFF.
    const bool extended = size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    t.extended = extended;
    if (extended) {
        in.dword(); // version and signature
        in.dword(); // help id
        t.exStyle = in.dword();
        t.style = in.dword();
    } else {
        t.style = in.dword();
        t.exStyle = in.dword();
    }
    count = in.word();
    t.x = in.signedWord();
    t.y = in.signedWord();
    t.cx = in.signedWord();
    t.cy = in.signedWord();
    t.menu = in.nameOrOrdinal();
    t.windowClass = in.nameOrOrdinal();
    t.caption = in.text();
    if (t.style & DS_SETFONT) {
        t.pointSize = in.word();
        if (extended) {
            t.weight = in.word();
            t.italic = in.byte();
            t.charset = in.byte();
        }
        t.face = in.text();
    }
    // The items are stored only once all of them fit: a count that claims more than the bytes
    // hold is refused after a pass that keeps nothing.
    const size_t itemsAt = in.offset();
    for (WORD i = 0; i < count && in.ok(); ++i)
        readItem(in, extended);
    if (!in.ok())
        return std::nullopt;
    in.seek(itemsAt);
    t.items.reserve(count);
    for (WORD i = 0; i < count; ++i)
        t.items.push_back(readItem(in, extended));
    return t;
}

const char* ordinalClassName(WORD ordinal)
{
    static const char* const kNames[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    return ordinal >= 0x80 && ordinal <= 0x85 ? kNames[ordinal - 0x80] : nullptr;
}

} // namespace plat::dialog
