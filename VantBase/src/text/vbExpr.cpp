#include "vbExpr.h"

#include "vbException.h"

#include <memory>
#include <vector>

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameBytes(const char* a, const char* b, int n, bool bCase)
{
    for (int i = 0; i < n; ++i) {
        if (bCase ? a[i] != b[i] : foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

bool keyMatches(const vbExpr::Key& key, const vbString& text, bool bCase)
{
    const int keyLen = key.text.GetLength();
    const int textLen = text.GetLength();
    const char* k = key.text.c_str();
    const char* t = text.c_str();
    if (key.bStart && key.bEnd)
        return keyLen == textLen && sameBytes(t, k, keyLen, bCase);
    if (keyLen > textLen)
        return false;
    if (key.bStart)
        return sameBytes(t, k, keyLen, bCase);
    if (key.bEnd)
        return sameBytes(t + (textLen - keyLen), k, keyLen, bCase);
    for (int at = 0; at + keyLen <= textLen; ++at) {
        if (sameBytes(t + at, k, keyLen, bCase))
            return true;
    }
    return false;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Moves the keys, sub-conditions, flags, negation and (when bOrMode) the or-mode of from into to.
void takeOver(vbExpr::Cond& to, vbExpr::Cond& from, bool bOrMode)
{
    to.m_keys = from.m_keys;
    from.m_keys.Empty();
    for (int i = 1; i <= from.m_subs.GetLength(); ++i)
        to.m_subs.Add(from.m_subs[i]);
    from.m_subs.Empty();
    to.m_flags = from.m_flags;
    to.m_bNot = from.m_bNot;
    from.m_flags = 0;
    from.m_bNot = false;
    if (bOrMode) {
        to.m_bOr = from.m_bOr;
        from.m_bOr = false;
    }
}

// Adds a new empty condition to the sub-conditions of parent and answers it.
vbExpr::Cond* addEmptySub(vbExpr::Cond& parent)
{
    auto sub = std::make_unique<vbExpr::Cond>();
    parent.m_subs.Add(sub.get());
    return sub.release();
}

// One condition being filled: the parent, the condition that receives keys, and the pending key.
struct Frame {
    vbExpr::Cond* parent;
    vbExpr::Cond* current;
    vbExpr::Key key;
    // The pending text is a plain word (an optional sign, then letters, digits, underscores).
    bool bWord = true;
};

class Parser {
public:
    Parser(const vbExpr& owner, const vbString& expr, ULONG flags, vbExpr::Cond& root)
        : m_owner(owner), m_expr(expr), m_flags(flags)
    {
        m_frames.push_back(Frame{&root, &root, vbExpr::Key(), true});
    }

    void run()
    {
        const char* p = m_expr.c_str();
        const char* end = p + m_expr.GetLength();
        while (p < end) {
            char c = *p++;
            Frame& f = m_frames.back();
            switch (c) {
            case '#': {
                if (p >= end)
                    fail("unexpected # at end of string");
                int value = hexValue(*p);
                if (value < 0) {
                    append(f, *p++, true);
                    break;
                }
                ++p;
                if (p < end && hexValue(*p) >= 0)
                    value = value * 16 + hexValue(*p++);
                if (value == 0)
                    fail("string to search can't contain null character (#0) !");
                append(f, char(value), true);
                break;
            }
            case '*':
                if (f.key.text.IsEmpty()) {
                    f.key.bStart = false;
                } else {
                    f.key.bEnd = false;
                    endKey(f);
                    f.key.bStart = false;
                    f.bWord = false;
                }
                break;
            case '&':
            case '|':
                endKey(f);
                combine(f, c == '|');
                break;
            case '(': {
                endKey(f);
                vbExpr::Cond* group = addEmptySub(*f.current);
                m_frames.push_back(Frame{group, group, vbExpr::Key(), true});
                break;
            }
            case ')':
                if (m_frames.size() < 2) {
                    append(f, c, false);
                    break;
                }
                endKey(f);
                m_frames.pop_back();
                break;
            case '!':
                if (atConditionStart(f))
                    f.current->m_bNot = !f.current->m_bNot;
                else
                    append(f, c, false);
                break;
            case ':':
                if (isFlagKeyword(f))
                    flagKeyword(f);
                else
                    append(f, c, false);
                break;
            case '\0':
                fail("string to search can't contain null character (#0) !");
            default:
                append(f, c, false);
                break;
            }
        }
        if (m_frames.size() > 1)
            fail("unexpected end of string, ')' omitted !");
        endKey(m_frames.back());
    }

private:
    [[noreturn]] void fail(const char* what) const
    {
        throw new vbEsys(true, E_FAIL, "vbExpr::parseSearchExpr(%s) : %s", m_expr.c_str(), what);
    }

    static bool atConditionStart(const Frame& f)
    {
        return f.key.text.IsEmpty() && f.current->m_keys.GetLength() == 0 && f.current->m_subs.GetLength() == 0;
    }

    bool isFlagKeyword(const Frame& f) const
    {
        const vbString& t = f.key.text;
        if (!f.bWord || !f.key.bStart || t.IsEmpty() || f.current->m_keys.GetLength() != 0
            || f.current->m_subs.GetLength() != 0)
            return false;
        return !(t.GetLength() == 1 && (t[1] == '+' || t[1] == '-'));
    }

    void append(Frame& f, char c, bool bEscaped)
    {
        if (f.current->m_subs.GetLength() != 0) {
            throw new vbEsys(true, E_FAIL, "vbExpr::parseSearchExpr(%s) : unexpected character '%c', kw='%s' !",
                m_expr.c_str(), c, f.key.text.c_str());
        }
        const bool bSign = (c == '+' || c == '-') && f.key.text.IsEmpty();
        if (bEscaped || !(bSign || isWordChar(c)))
            f.bWord = false;
        f.key.text += c;
    }

    static void endKey(Frame& f)
    {
        if (!f.key.text.IsEmpty())
            f.current->m_keys.Add(f.key);
        f.key = vbExpr::Key();
        f.bWord = true;
    }

    // An & or | after the key just ended; operators of equal precedence group from the left.
    static void combine(Frame& f, bool bOr)
    {
        vbExpr::Cond& parent = *f.parent;
        if (parent.m_subs.GetLength() == 0) {
            if (parent.m_keys.GetLength() == 0)
                return;
            auto left = std::make_unique<vbExpr::Cond>();
            takeOver(*left, parent, false);
            parent.m_subs.Add(left.get());
            left.release();
            parent.m_bOr = bOr;
            f.current = addEmptySub(parent);
            return;
        }
        if (parent.m_bOr == bOr) {
            const vbExpr::Cond* last = parent.m_subs[parent.m_subs.GetLength()];
            // A doubled operator: nothing stands between the two.
            if (last == f.current && last->m_keys.GetLength() == 0 && last->m_subs.GetLength() == 0)
                return;
            f.current = addEmptySub(parent);
            return;
        }
        auto left = std::make_unique<vbExpr::Cond>();
        takeOver(*left, parent, true);
        parent.m_subs.Add(left.get());
        left.release();
        parent.m_bOr = bOr;
        f.current = addEmptySub(parent);
    }

    void flagKeyword(Frame& f)
    {
        vbString word = f.key.text;
        int sign = 0;
        if (word[1] == '+' || word[1] == '-') {
            sign = word[1] == '+' ? 1 : -1;
            word = word.Mid(2);
        }
        f.key = vbExpr::Key();
        f.bWord = true;
        vbExpr::Cond& c = *f.current;
        bool bFirst = false;
        if (c.m_flags == 0) {
            c.m_flags = m_flags;
            bFirst = true;
        }
        if (m_owner.onFlagSet(bFirst, word, sign, &c.m_flags))
            return;
        const bool bOn = sign >= 0;
        if (word == "all") {
            c.m_flags = bOn ? (c.m_flags | vbExpr::kFieldMask) : (c.m_flags & ~vbExpr::kFieldMask);
        } else if (word == "case" || word == "icase") {
            const bool bCase = (word == "case") == bOn;
            c.m_flags = bCase ? (c.m_flags | vbExpr::kCaseSensitive) : (c.m_flags & ~vbExpr::kCaseSensitive);
        } else {
            throw new vbEsys(true, E_FAIL, "vbExpr::parseSearchExpr(%s) : unknown flag mode '%s'", m_expr.c_str(),
                word.c_str());
        }
    }

    const vbExpr& m_owner;
    const vbString& m_expr;
    ULONG m_flags;
    std::vector<Frame> m_frames;
};

} // namespace

// ---------------------------------------------------------------------------------------------

vbExpr::Cond::~Cond()
{
    try {
        init();
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

void vbExpr::Cond::init()
{
    m_flags = 0;
    m_bOr = false;
    m_bNot = false;
    m_keys.Empty();
    for (int i = 1; i <= m_subs.GetLength(); ++i) {
        Cond* sub = m_subs[i];
        m_subs[i] = nullptr;
        delete sub;
    }
    m_subs.Empty();
}

bool vbExpr::Cond::IsKeyOk(const vbString& text, ULONG flags) const
{
    const bool bCase = (flags & kCaseSensitive) != 0;
    for (int i = 1; i <= m_keys.GetLength(); ++i) {
        if (!keyMatches(m_keys[i], text, bCase))
            return false;
    }
    return true;
}

bool vbExpr::Cond::IsKeysOk(vbExpr* e, ULONG flags) const
{
    if (m_keys.GetLength() == 0)
        return true;
    return e->onKeysOk(this, m_flags ? m_flags : flags);
}

bool vbExpr::Cond::IsOk(vbExpr* e, ULONG flags) const
{
    bool bOk = IsKeysOk(e, flags);
    // Only keys that exist are negated: a negated group without keys is negated as a whole below.
    if (m_bNot && m_keys.GetLength() != 0)
        bOk = !bOk;
    if (!bOk)
        return false;
    const int n = m_subs.GetLength();
    if (n == 0)
        return true;
    const ULONG subFlags = m_flags ? m_flags : flags;
    bool bResult = !m_bOr;
    for (int i = 1; i <= n; ++i) {
        if (m_subs[i]->IsOk(e, subFlags) == m_bOr) {
            bResult = m_bOr;
            break;
        }
    }
    return m_bNot ? !bResult : bResult;
}

// ---------------------------------------------------------------------------------------------

vbExpr::vbExpr(ExprMode mode) : m_flags(mode) { }

vbExpr::~vbExpr() = default;

bool vbExpr::onGetNext()
{
    vbPurecall();
}

bool vbExpr::onKeysOk(const Cond*, ULONG) const
{
    vbPurecall();
}

bool vbExpr::onFlagSet(bool, const vbString&, int, ULONG*) const
{
    vbPurecall();
}

bool vbExpr::buildKey(const vbString& s, ULONG flags, Kind kind, bool bAnchored)
{
    if (m_kind == kind && m_flags == flags && m_text == s && m_text.GetLength() == s.GetLength())
        return true;
    m_root.init();
    m_text = s;
    m_flags = flags;
    m_kind = kind;
    Key key;
    key.bStart = bAnchored;
    key.bEnd = bAnchored;
    key.text = s;
    m_root.m_keys.Add(key);
    return true;
}

bool vbExpr::SearchString(const vbString& s, ULONG flags)
{
    return buildKey(s, flags, kindString, true);
}

bool vbExpr::SearchSubString(const vbString& s, ULONG flags)
{
    return buildKey(s, flags, kindSubString, false);
}

bool vbExpr::SearchExpr(const vbString& expr, ULONG flags)
{
    if (m_kind == kindExpr && m_flags == flags && m_text == expr && m_text.GetLength() == expr.GetLength())
        return true;
    m_text = expr;
    m_flags = flags;
    m_kind = kindExpr;
    m_root.init();
    parseSearchExpr();
    return true;
}

void vbExpr::parseSearchExpr()
{
    try {
        Parser(*this, m_text, m_flags, m_root).run();
    } catch (...) {
        // The same text again must fail again, not find the half-built tree in place.
        m_kind = kindNone;
        throw;
    }
}

bool vbExpr::SearchNext()
{
    while (onGetNext()) {
        if (m_root.IsOk(this, m_flags))
            return true;
    }
    return false;
}
