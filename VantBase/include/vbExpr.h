#pragma once

// The search of the filtering enumerators. A derived enumerator steps through its items
// (onGetNext) and tests the current item against the keys of one condition (onKeysOk, usually
// through Cond::IsKeyOk); vbExpr builds the condition tree from a whole text, a substring or an
// expression, and evaluates it per item.
//
// Expressions: keys with * wildcards, & and | of equal precedence grouping from the left,
// parenthesised groups, ! and "word:" flag keywords at the start of a condition, and #h or #hh
// for a character by its hexadecimal code (# before any other character takes it literally).
// Flags: bit 28 makes comparisons case-sensitive, bits 0-15 are a field mask for the derived
// class ("all" sets them), the other bits pass through.

#include "vbArray.h"
#include "vbBaseItf.h"
#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

class VBAPI vbExpr : public vbBase {
public:
    using ExprMode = ULONG;
    static constexpr ULONG kCaseSensitive = 0x10000000u;
    static constexpr ULONG kFieldMask = 0x0000FFFFu;

    struct Key {
        bool bStart = true;
        bool bEnd = true;
        vbString text;
    };

    class VBAPI Cond {
    public:
        Cond() = default;
        Cond(const Cond&) = delete;
        Cond& operator=(const Cond&) = delete;
        ~Cond();

        bool IsOk(vbExpr* e, ULONG flags) const;
        bool IsKeysOk(vbExpr* e, ULONG flags) const;
        // Every key matches text (true without keys).
        bool IsKeyOk(const vbString& text, ULONG flags) const;
        void init();
        void Dump(int) const { }

        // 0: the search's flags apply.
        ULONG m_flags = 0;
        vbArray<Key> m_keys;
        bool m_bOr = false;
        bool m_bNot = false;
        // Owned: deleted with this condition.
        vbArray<Cond*> m_subs;
    };

    explicit vbExpr(ExprMode mode = 0xFFFF);
    vbExpr(const vbExpr&) = delete;
    vbExpr& operator=(const vbExpr&) = delete;
    ~vbExpr() override;

    // Items equal to s.
    bool SearchString(const vbString& s, ULONG flags);
    // Items containing s.
    bool SearchSubString(const vbString& s, ULONG flags);
    // Items satisfying expr; a syntax error throws vbEsys E_FAIL "vbExpr::parseSearchExpr(<expr>) : ...".
    bool SearchExpr(const vbString& expr, ULONG flags);
    // Steps to the next item that satisfies the search; false when no item is left.
    bool SearchNext();

    // What the derived enumerator supplies; the bodies here report a pure call.
    virtual bool onGetNext();
    virtual bool onKeysOk(const Cond* c, ULONG flags) const;
    // Offered every flag keyword first; true when handled. bFirst: the condition's flags were
    // just set from the search's.
    virtual bool onFlagSet(bool bFirst, const vbString& keyword, int sign, ULONG* pFlags) const;

    const Cond& GetRoot() const { return m_root; }
    ULONG GetFlags() const { return m_flags; }

protected:
    enum Kind : int32_t { kindNone = -1, kindString = 0, kindSubString = 1, kindExpr = 2 };

    bool buildKey(const vbString& s, ULONG flags, Kind kind, bool bAnchored);
    void parseSearchExpr();

    Cond m_root;
    ULONG m_flags;
    int32_t m_kind = kindString;
    vbString m_text;
};
