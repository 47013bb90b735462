#include "draw/guiTreeTypeAhead.h"

namespace {

// The byte length of the character a byte leads; stray continuation bytes stand alone.
int sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF7)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The byte offset of the last character's start.
size_t lastStart(const std::string& text)
{
    size_t i = text.size();
    while (i > 0) {
        --i;
        if (!isContinuation(static_cast<unsigned char>(text[i])))
            return i;
    }
    return 0;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the pattern matches text from byte i on; the bytes of text taken go to taken.
bool matchAt(const char* text, size_t textLen, const std::string& pattern, size_t i, size_t* taken)
{
    size_t t = i;
    size_t p = 0;
    while (p < pattern.size()) {
        if (t >= textLen)
            return false;
        const size_t len = static_cast<size_t>(sequenceLength(static_cast<unsigned char>(pattern[p])));
        bool same = t + len <= textLen;
        for (size_t k = 0; same && k < len; ++k)
            same = fold(text[t + k]) == fold(pattern[p + k]);
        if (same) {
            t += len;
            p += len;
        } else if (isBlank(text[t])) {
            ++t;
        } else {
            return false;
        }
    }
    *taken = t - i;
    return true;
}

} // namespace

bool guiTypedText::Collect(unsigned char byte, std::string& ch)
{
    if (!m_pending.empty() && !isContinuation(byte))
        m_pending.clear(); // a sequence cut short is dropped
    if (m_pending.empty() && isContinuation(byte)) {
        ch.assign(1, static_cast<char>(byte));
        return true;
    }
    m_pending.push_back(static_cast<char>(byte));
    if (static_cast<int>(m_pending.size()) < sequenceLength(static_cast<unsigned char>(m_pending[0])))
        return false;
    ch.swap(m_pending);
    m_pending.clear();
    return true;
}

void guiTypedText::Clear()
{
    m_text.clear();
    m_pending.clear();
}

int guiTypedText::RemoveLast()
{
    const size_t start = lastStart(m_text);
    const int removed = static_cast<int>(m_text.size() - start);
    m_text.resize(start);
    return removed;
}

int guiTypedText::CharCount(const std::string& text)
{
    int n = 0;
    for (char c : text)
        n += isContinuation(static_cast<unsigned char>(c)) ? 0 : 1;
    return n;
}

std::string guiTypedText::DropBeforeLast(const std::string& text)
{
    const size_t last = lastStart(text);
    const size_t before = lastStart(text.substr(0, last));
    return text.substr(0, before) + text.substr(last);
}

bool guiTextMatch(const vbString& text, const std::string& pattern, int before, int* start, int* length)
{
    const char* chars = text.c_str();
    const size_t textLen = static_cast<size_t>(text.GetLength());
    if (pattern.empty() || textLen == 0)
        return false;
    const bool single = guiTypedText::CharCount(pattern) == 1;
    const size_t last = single ? 0 : (textLen >= pattern.size() ? textLen - pattern.size() : 0);
    for (size_t i = 0; i <= last; ++i) {
        if (before > 0 && static_cast<int>(i) + 1 >= before)
            break;
        if (isContinuation(static_cast<unsigned char>(chars[i])))
            continue;
        size_t taken = 0;
        if (matchAt(chars, textLen, pattern, i, &taken)) {
            *start = static_cast<int>(i) + 1;
            *length = static_cast<int>(taken);
            return true;
        }
    }
    return false;
}

vbString guiTextMarkMatch(const vbString& text, int start, int length)
{
    std::string copy(text.c_str(), static_cast<size_t>(text.GetLength()));
    const size_t first = static_cast<size_t>(start - 1);
    if (start < 1 || first > copy.size())
        return text;
    copy.insert(first, 1, '\x01');
    const size_t second = static_cast<size_t>(start + length);
    if (second < copy.size())
        copy.insert(second, 1, '\x01');
    return vbString(copy.c_str());
}
