// Cutting a string into tokens: separators, quoted parts and nested delimiter pairs.

#include "vbString.h"

#include "vbException.h"

#include <cstring>
#include <vector>

namespace {

bool isBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool inSet(const char* set, char c) noexcept { return set && c != '\0' && std::strchr(set, c) != nullptr; }

vbString trimmedPiece(const char* s, int len, bool bTrim)
{
    int b = 0;
    int e = len;
    if (bTrim) {
        while (b < e && isBlank(s[b]))
            ++b;
        while (e > b && isBlank(s[e - 1]))
            --e;
    }
    return vbString(s + b, e - b);
}

} // namespace

int vbString::GetToken(int start, const char* seps, vbString* pToken, vbString* pRest, char* pSep, bool bTrim) const
{
    return GetToken(start, seps, pToken, pRest, pSep, nullptr, nullptr, nullptr, bTrim);
}

int vbString::GetToken(int start, const char* seps, vbString* pToken, vbString* pRest, char* pSep, const char* quotes,
    const char* openDelims, const char* closeDelims, bool bTrim) const
{
    const int len = GetLength();
    if (len == 0)
        return 0;
    if (openDelims && closeDelims && std::strlen(openDelims) != std::strlen(closeDelims)) {
        vbString msg = vbString("vbString::GetToken() : delimiters start(") + openDelims
            + ") length != delimiters end (" + closeDelims + ") length";
        throw new vbEsys(E_FAIL, msg.c_str());
    }
    const bool blankSep = inSet(seps, ' ');
    if (blankSep)
        bTrim = true;
    if (start < 1)
        throw new vbEsys(true, "vbString::GetToken(start=%d) : bad start position", start);
    if (start > len)
        return 0;

    const char* s = m_pch;
    int i = start - 1;
    if (bTrim)
        while (i < len && isBlank(s[i]))
            ++i;
    const int tokenStart = i;

    std::vector<char> closers; // pending closers of the open pairs, innermost last
    char quote = 0;
    int sepPos = -1;
    for (; i < len; ++i) {
        char c = s[i];
        if (quote) {
            if (c == '\\') {
                if (i + 1 >= len)
                    return -1;
                ++i;
            } else if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (!closers.empty() && c == closers.back()) {
            closers.pop_back();
            continue;
        }
        if (inSet(quotes, c)) {
            quote = c;
            continue;
        }
        if (inSet(openDelims, c)) {
            size_t k = static_cast<size_t>(std::strchr(openDelims, c) - openDelims);
            closers.push_back(closeDelims ? closeDelims[k] : c);
            continue;
        }
        if (closers.empty() && (inSet(seps, c) || (blankSep && isBlank(c)))) {
            sepPos = i;
            break;
        }
    }
    if (quote)
        return -1;
    if (!closers.empty())
        return -2;

    if (sepPos < 0) {
        if (pToken)
            *pToken = trimmedPiece(s + tokenStart, len - tokenStart, bTrim);
        if (pRest)
            pRest->Empty();
        if (pSep)
            *pSep = 0;
        return len + 1;
    }

    int tokenEnd = sepPos;
    int runEnd = sepPos + 1; // one past the separator run
    if (isBlank(s[sepPos])) {
        while (runEnd < len && isBlank(s[runEnd]))
            ++runEnd;
        if (runEnd < len && inSet(seps, s[runEnd]))
            ++runEnd;
    } else if (bTrim) {
        while (tokenEnd > tokenStart && isBlank(s[tokenEnd - 1]))
            --tokenEnd;
    }
    if (pSep)
        *pSep = s[runEnd - 1];
    if (pToken)
        *pToken = vbString(s + tokenStart, tokenEnd - tokenStart);
    if (pRest)
        *pRest = trimmedPiece(s + runEnd, len - runEnd, bTrim);
    return runEnd + 1;
}

int vbString::GetTokenString(int start, const char* quotes, vbString* pToken, char* pQuote, bool* pMixed) const
{
    if (pToken)
        pToken->Empty();
    if (pQuote)
        *pQuote = 0;
    if (pMixed)
        *pMixed = false;
    const int len = GetLength();
    if (len == 0)
        return 0;
    if (start < 1)
        throw new vbEsys(true, "vbString::GetTokenString(start=%d) : bad start position", start);
    if (start > len)
        return 0;

    const char* s = m_pch;
    vbString token;
    char first = 0;
    bool mixed = false;
    int i = start - 1;
    for (;;) {
        while (i < len && isBlank(s[i]))
            ++i;
        if (i >= len || !inSet(quotes, s[i]))
            break;
        char q = s[i++];
        if (!first)
            first = q;
        else if (q != first)
            mixed = true;
        int partStart = i;
        while (i < len && s[i] != q) {
            if (s[i] == '\\') {
                if (i + 1 >= len)
                    return -1;
                ++i;
            }
            ++i;
        }
        if (i >= len)
            return -1;
        token.Add(s + partStart, i - partStart);
        ++i; // the closing quote
    }
    if (pToken)
        *pToken = token;
    if (pQuote)
        *pQuote = first;
    if (pMixed)
        *pMixed = mixed;
    return i + 1;
}
