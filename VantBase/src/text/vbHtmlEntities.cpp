#include "text/vbHtmlEntities.h"

#include <array>
#include <cstdint>

// The entity table of the HTML coding. Sorted by name in byte order (upper case first) so that a
// binary search over the whole table finds every entry but the last, verbar, which stands out of
// order and has no text. 91 entries carry the encode flag: the ISO 8859-1 characters of HTML 4
// (tilde is the ASCII tilde); the other 30 are only decoded.

namespace {

constexpr vbHtmlEntity kEntities[] = {
    {"AElig", u"AElig", "\xC6", u"\x00C6", true},
    {"Aacute", u"Aacute", "\xC1", u"\x00C1", true},
    {"Acirc", u"Acirc", "\xC2", u"\x00C2", true},
    {"Agrave", u"Agrave", "\xC0", u"\x00C0", true},
    {"Aring", u"Aring", "\xC5", u"\x00C5", true},
    {"Atilde", u"Atilde", "\xC3", u"\x00C3", true},
    {"Auml", u"Auml", "\xC4", u"\x00C4", true},
    {"Ccedil", u"Ccedil", "\xC7", u"\x00C7", true},
    {"ETH", u"ETH", "\xD0", u"\x00D0", true},
    {"Eacute", u"Eacute", "\xC9", u"\x00C9", true},
    {"Ecirc", u"Ecirc", "\xCA", u"\x00CA", true},
    {"Egrave", u"Egrave", "\xC8", u"\x00C8", true},
    {"Euml", u"Euml", "\xCB", u"\x00CB", true},
    {"Iacute", u"Iacute", "\xCD", u"\x00CD", true},
    {"Icirc", u"Icirc", "\xCE", u"\x00CE", true},
    {"Igrave", u"Igrave", "\xCC", u"\x00CC", true},
    {"Iuml", u"Iuml", "\xCF", u"\x00CF", true},
    {"Ntilde", u"Ntilde", "\xD1", u"\x00D1", true},
    {"Oacute", u"Oacute", "\xD3", u"\x00D3", true},
    {"Ocirc", u"Ocirc", "\xD4", u"\x00D4", true},
    {"Ograve", u"Ograve", "\xD2", u"\x00D2", true},
    {"Oslash", u"Oslash", "\xD8", u"\x00D8", true},
    {"Otilde", u"Otilde", "\xD5", u"\x00D5", true},
    {"Ouml", u"Ouml", "\xD6", u"\x00D6", true},
    {"THORN", u"THORN", "\xDE", u"\x00DE", true},
    {"Uacute", u"Uacute", "\xDA", u"\x00DA", true},
    {"Ucirc", u"Ucirc", "\xDB", u"\x00DB", true},
    {"Ugrave", u"Ugrave", "\xD9", u"\x00D9", true},
    {"Uuml", u"Uuml", "\xDC", u"\x00DC", true},
    {"Yacute", u"Yacute", "\xDD", u"\x00DD", true},
    {"aacute", u"aacute", "\xE1", u"\x00E1", true},
    {"acirc", u"acirc", "\xE2", u"\x00E2", true},
    {"aelig", u"aelig", "\xE6", u"\x00E6", true},
    {"agrave", u"agrave", "\xE0", u"\x00E0", true},
    {"amp", u"amp", "\x26", u"\x0026", true},
    {"apos", u"apos", "\x27", u"\x0027", false},
    {"aring", u"aring", "\xE5", u"\x00E5", true},
    {"ast", u"ast", "\x2A", u"\x002A", false},
    {"atilde", u"atilde", "\xE3", u"\x00E3", true},
    {"auml", u"auml", "\xE4", u"\x00E4", true},
    {"brvbar", u"brvbar", "\xA6", u"\x00A6", true},
    {"ccedil", u"ccedil", "\xE7", u"\x00E7", true},
    {"cent", u"cent", "\xA2", u"\x00A2", true},
    {"colon", u"colon", "\x3A", u"\x003A", false},
    {"comma", u"comma", "\x2C", u"\x002C", false},
    {"commat", u"commat", "\x40", u"\x0040", false},
    {"copy", u"copy", "\xA9", u"\x00A9", true},
    {"deg", u"deg", "\xB0", u"\x00B0", true},
    {"dollar", u"dollar", "\x24", u"\x0024", false},
    {"eacute", u"eacute", "\xE9", u"\x00E9", true},
    {"ecirc", u"ecirc", "\xEA", u"\x00EA", true},
    {"egrave", u"egrave", "\xE8", u"\x00E8", true},
    {"emsp", u"emsp", "", u"", false},
    {"ensp", u"ensp", "", u"", false},
    {"equals", u"equals", "\x3D", u"\x003D", false},
    {"eth", u"eth", "\xF0", u"\x00F0", true},
    {"euml", u"euml", "\xEB", u"\x00EB", true},
    {"excl", u"excl", "", u"", false},
    {"frac12", u"frac12", "\xBD", u"\x00BD", true},
    {"frac14", u"frac14", "\xBC", u"\x00BC", true},
    {"frac18", u"frac18", "", u"", false},
    {"frac34", u"frac34", "\xBE", u"\x00BE", true},
    {"frac38", u"frac38", "", u"", false},
    {"frac58", u"frac58", "", u"", false},
    {"frac78", u"frac78", "", u"", false},
    {"gt", u"gt", "\x3E", u"\x003E", true},
    {"half", u"half", "\xBD", u"\x00BD", false},
    {"hyphen", u"hyphen", "\x2D", u"\x002D", false},
    {"iacute", u"iacute", "\xED", u"\x00ED", true},
    {"icirc", u"icirc", "\xEE", u"\x00EE", true},
    {"iexcl", u"iexcl", "\xA1", u"\x00A1", true},
    {"igrave", u"igrave", "\xEC", u"\x00EC", true},
    {"iquest", u"iquest", "\xBF", u"\x00BF", true},
    {"iuml", u"iuml", "\xEF", u"\x00EF", true},
    {"laquo", u"laquo", "\xAB", u"\x00AB", true},
    {"lpar", u"lpar", "", u"", false},
    {"lsqb", u"lsqb", "", u"", false},
    {"lt", u"lt", "\x3C", u"\x003C", true},
    {"mdash", u"mdash", "", u"", false},
    {"micro", u"micro", "\xB5", u"\x00B5", true},
    {"middot", u"middot", "\xB7", u"\x00B7", true},
    {"nbsp", u"nbsp", "\xA0", u"\x00A0", true},
    {"ndash", u"ndash", "\x96", u"\x2013", false},
    {"not", u"not", "\xAC", u"\x00AC", true},
    {"ntilde", u"ntilde", "\xF1", u"\x00F1", true},
    {"oacute", u"oacute", "\xF3", u"\x00F3", true},
    {"ocirc", u"ocirc", "\xF4", u"\x00F4", true},
    {"ograve", u"ograve", "\xF2", u"\x00F2", true},
    {"oslash", u"oslash", "\xF8", u"\x00F8", true},
    {"otilde", u"otilde", "\xF5", u"\x00F5", true},
    {"ouml", u"ouml", "\xF6", u"\x00F6", true},
    {"para", u"para", "\xB6", u"\x00B6", true},
    {"percnt", u"percnt", "\x25", u"\x0025", false},
    {"period", u"period", "\x2E", u"\x002E", false},
    {"plus", u"plus", "\x2B", u"\x002B", false},
    {"plusmn", u"plusmn", "\xB1", u"\x00B1", true},
    {"pound", u"pound", "\xA3", u"\x00A3", true},
    {"quest", u"quest", "\x3F", u"\x003F", false},
    {"quot", u"quot", "\x22", u"\x0022", true},
    {"raquo", u"raquo", "\xBB", u"\x00BB", true},
    {"reg", u"reg", "\xAE", u"\x00AE", true},
    {"rpar", u"rpar", "", u"", false},
    {"rsqb", u"rsqb", "", u"", false},
    {"sect", u"sect", "\xA7", u"\x00A7", false},
    {"semi", u"semi", "\x3B", u"\x003B", false},
    {"shy", u"shy", "\xAD", u"\x00AD", true},
    {"sup1", u"sup1", "\xB9", u"\x00B9", true},
    {"sup2", u"sup2", "\xB2", u"\x00B2", true},
    {"sup3", u"sup3", "\xB3", u"\x00B3", true},
    {"szlig", u"szlig", "\xDF", u"\x00DF", true},
    {"thorn", u"thorn", "\xFE", u"\x00FE", true},
    {"tilde", u"tilde", "\x7E", u"\x007E", true},
    {"trade", u"trade", "", u"\x2122", false},
    {"uacute", u"uacute", "\xFA", u"\x00FA", true},
    {"ucirc", u"ucirc", "\xFB", u"\x00FB", true},
    {"ugrave", u"ugrave", "\xF9", u"\x00F9", true},
    {"uuml", u"uuml", "\xFC", u"\x00FC", true},
    {"yacute", u"yacute", "\xFD", u"\x00FD", true},
    {"yen", u"yen", "\xA5", u"\x00A5", true},
    {"yuml", u"yuml", "\xFF", u"\x00FF", true},
    {"verbar", u"verbar", "", u"", false},
};

constexpr int kEntityCount = int(sizeof kEntities / sizeof kEntities[0]);
static_assert(kEntityCount == 121, "the entity table has 121 entries");

// Character -> position in kEntities (-1: none), for the entries with the encode flag. Built at
// compile time, so no static object depends on another's initialisation.
using EncodeIndex = std::array<int16_t, 256>;

constexpr EncodeIndex buildIndex(bool bWide)
{
    EncodeIndex index{};
    for (int16_t& i : index)
        i = -1;
    for (int e = 0; e < kEntityCount; ++e) {
        if (!kEntities[e].bEncode)
            continue;
        const unsigned c = bWide ? unsigned(kEntities[e].wtext[0]) : unsigned(static_cast<unsigned char>(kEntities[e].text[0]));
        if (c < 256)
            index[c] = int16_t(e);
    }
    return index;
}

constexpr EncodeIndex kByteIndex = buildIndex(false);
constexpr EncodeIndex kWideIndex = buildIndex(true);

constexpr int countEncoded()
{
    int n = 0;
    for (int16_t i : kByteIndex)
        n += i >= 0;
    return n;
}
static_assert(countEncoded() == 91, "every encoded entity has a character of its own");

int compareName(const char* entityName, const char* name, int len)
{
    for (int i = 0; i < len; ++i) {
        const unsigned char a = static_cast<unsigned char>(entityName[i]);
        const unsigned char b = static_cast<unsigned char>(name[i]);
        if (a == 0 || a != b)
            return a < b ? -1 : 1;
    }
    return entityName[len] == 0 ? 0 : 1;
}

} // namespace

const vbHtmlEntity* vbHtmlEntities(int* pCount)
{
    if (pCount)
        *pCount = kEntityCount;
    return kEntities;
}

const vbHtmlEntity* vbHtmlFindEntity(const char* name, int len)
{
    if (!name || len <= 0)
        return nullptr;
    int lo = 0;
    int hi = kEntityCount - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = compareName(kEntities[mid].name, name, len);
        if (c == 0)
            return &kEntities[mid];
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return nullptr;
}

const vbHtmlEntity* vbImpl::htmlEntityOfByte(unsigned char c)
{
    return kByteIndex[c] >= 0 ? &kEntities[kByteIndex[c]] : nullptr;
}

const vbHtmlEntity* vbImpl::htmlEntityOfWide(WCHAR c)
{
    return c < 256 && kWideIndex[c] >= 0 ? &kEntities[kWideIndex[c]] : nullptr;
}
