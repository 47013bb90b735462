#include "VariantTypes.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

using plat::oleauto::isValidVariantType;
using plat::oleauto::isValueType;

namespace {

// The C library writes and reads numbers in the locale the program set; the text forms here are
// en-US whatever that locale is, so those calls run in the "C" locale (of this thread only).
class FixedNumbers {
public:
    FixedNumbers() : m_previous(uselocale(cLocale())) { }
    ~FixedNumbers() { uselocale(m_previous); }
    FixedNumbers(const FixedNumbers&) = delete;
    FixedNumbers& operator=(const FixedNumbers&) = delete;

private:
    // Null when it cannot be made: uselocale then changes nothing.
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return c;
    }

    locale_t m_previous;
};

// Every VARIANT type falls in one class; the table below says, for each pair of classes, how a
// value of the first becomes a value of the second. The rules are OLE Automation's, with en-US
// text forms for every locale.
enum Class { cEmpty, cNull, cInt, cBool, cFloat, cCy, cDate, cDec, cText, cError, cDisp, cUnk, kClasses };

enum Rule {
    X, // DISP_E_TYPEMISMATCH
    Z, // the target's zero: 0, "", false, a null interface
    N, // through the number: integers exact, rounding half to even, DISP_E_OVERFLOW outside the target
    S, // formatted as text
    P, // parsed from text: blanks, sign, ',' thousands, '.', exponent; "" and other text mismatch
    C, // the same value, copied
    Q, // QueryInterface for the target's interface
    V, // the object's value property, then converted
};

// clang-format off
constexpr Rule kRules[kClasses][kClasses] = {
    //           Empty Null Int Bool Float Cy Date Dec Text Error Disp Unk
    /* Empty */ { C,   Z,   Z,  Z,   Z,    Z, Z,   Z,  Z,   X,    Z,   Z },
    /* Null  */ { X,   C,   X,  X,   X,    X, X,   X,  X,   X,    X,   X },
    /* Int   */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   N,    X,   X },
    /* Bool  */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   X,    X,   X },
    /* Float */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   X,    X,   X },
    /* Cy    */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   X,    X,   X },
    /* Date  */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   X,    X,   X },
    /* Dec   */ { Z,   X,   N,  N,   N,    N, N,   N,  S,   X,    X,   X },
    /* Text  */ { Z,   X,   P,  P,   P,    P, P,   P,  C,   X,    X,   X },
    /* Error */ { Z,   X,   X,  X,   X,    X, X,   X,  X,   C,    X,   X },
    /* Disp  */ { Z,   X,   V,  V,   V,    V, V,   V,  V,   X,    C,   Q },
    /* Unk   */ { Z,   X,   X,  X,   X,    X, X,   X,  X,   X,    Q,   C },
};
// clang-format on

Class classOf(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: return cEmpty;
    case VT_NULL: return cNull;
    case VT_BOOL: return cBool;
    case VT_R4:
    case VT_R8: return cFloat;
    case VT_CY: return cCy;
    case VT_DATE: return cDate;
    case VT_DECIMAL: return cDec;
    case VT_BSTR: return cText;
    case VT_ERROR: return cError;
    case VT_DISPATCH: return cDisp;
    case VT_UNKNOWN: return cUnk;
    default: return cInt;
    }
}

typedef __int128 Int128;

const Int128 kPow10[] = {
    (Int128)1, (Int128)10, (Int128)100, (Int128)1000, (Int128)10000, (Int128)100000, (Int128)1000000,
    (Int128)10000000, (Int128)100000000, (Int128)1000000000, (Int128)10000000000LL, (Int128)100000000000LL,
    (Int128)1000000000000LL, (Int128)10000000000000LL, (Int128)100000000000000LL, (Int128)1000000000000000LL,
    (Int128)10000000000000000LL, (Int128)100000000000000000LL, (Int128)1000000000000000000LL,
    (Int128)1000000000000000000LL * 10, (Int128)1000000000000000000LL * 100, (Int128)1000000000000000000LL * 1000,
    (Int128)1000000000000000000LL * 10000, (Int128)1000000000000000000LL * 100000,
    (Int128)1000000000000000000LL * 1000000, (Int128)1000000000000000000LL * 10000000,
    (Int128)1000000000000000000LL * 100000000, (Int128)1000000000000000000LL * 1000000000,
    (Int128)1000000000000000000LL * 10000000000LL};
constexpr int kMaxScale = 28;
const Int128 kDecimalLimit = (Int128)1 << 96;

// A number on its way between two types: exact (mant / 10^scale) or floating.
struct Num {
    bool exact = true;
    Int128 mant = 0;
    int scale = 0;
    double d = 0;
    bool haveDouble = false; // d is the exact source's best double (text parsed by strtod)
};

Int128 divRoundHalfEven(Int128 value, Int128 divisor)
{
    Int128 q = value / divisor, r = value % divisor;
    Int128 twice = (r < 0 ? -r : r) * 2;
    if (twice > divisor || (twice == divisor && (q % 2) != 0))
        q += value < 0 ? -1 : 1;
    return q;
}

double toDouble(const Num& n)
{
    if (!n.exact || n.haveDouble)
        return n.d;
    return (double)n.mant / std::pow(10.0, n.scale);
}

// The value rounded half to even to a whole number; false when it is too large to hold.
bool toWhole(const Num& n, Int128& out)
{
    if (n.exact) {
        out = n.scale == 0 ? n.mant : divRoundHalfEven(n.mant, kPow10[n.scale]);
        return true;
    }
    if (!std::isfinite(n.d) || std::fabs(n.d) >= 1.8e19)
        return false;
    out = (Int128)std::nearbyint(n.d);
    return true;
}

// The value times 10,000, rounded half to even.
bool toCurrency(const Num& n, LONGLONG& out)
{
    Int128 v;
    if (n.exact) {
        if (n.scale <= 4) {
            v = n.mant;
            for (int i = n.scale; i < 4; ++i) {
                v *= 10;
                if (v > ((Int128)1 << 70) || v < -((Int128)1 << 70))
                    return false;
            }
        } else {
            v = divRoundHalfEven(n.mant, kPow10[n.scale - 4]);
        }
    } else {
        double scaled = n.d * 10000.0;
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.3e18)
            return false;
        v = (Int128)std::nearbyint(scaled);
    }
    if (v > (Int128)INT64_MAX || v < (Int128)INT64_MIN)
        return false;
    out = (LONGLONG)v;
    return true;
}

// An exact number brought within a DECIMAL: 96 bits of magnitude, scale 0-28.
bool fitDecimal(Int128 mant, int scale, DECIMAL& out)
{
    while (scale > kMaxScale) {
        mant = divRoundHalfEven(mant, 10);
        --scale;
    }
    Int128 mag = mant < 0 ? -mant : mant;
    while (mag >= kDecimalLimit && scale > 0) {
        mant = divRoundHalfEven(mant, 10);
        mag = mant < 0 ? -mant : mant;
        --scale;
    }
    if (mag >= kDecimalLimit)
        return false;
    std::memset(&out, 0, sizeof out);
    out.scale = (BYTE)scale;
    out.sign = mant < 0 ? DECIMAL_NEG : 0;
    out.Hi32 = (ULONG)(mag >> 64);
    out.Lo64 = (ULONGLONG)mag;
    return true;
}

bool toDecimal(const Num& n, DECIMAL& out)
{
    if (n.exact)
        return fitDecimal(n.mant, n.scale, out);
    if (!std::isfinite(n.d) || std::fabs(n.d) >= 7.9228162514264338e28)
        return false;
    // Fifteen significant digits, as a double holds.
    char text[40];
    {
        FixedNumbers fixed;
        std::snprintf(text, sizeof text, "%.14e", n.d);
    }
    Int128 mant = 0;
    const char* p = text;
    bool negative = *p == '-';
    if (negative)
        ++p;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            mant = mant * 10 + (*p - '0');
    int exponent = std::atoi(p + 1);
    int scale = 14 - exponent;
    for (; scale < 0; ++scale)
        mant *= 10;
    if (negative)
        mant = -mant;
    while (scale > 0 && mant % 10 == 0) {
        mant /= 10;
        --scale;
    }
    return fitDecimal(mant, scale, out);
}

Num decimalNum(const DECIMAL& dec)
{
    Num n;
    Int128 mag = ((Int128)dec.Hi32 << 64) | (Int128)dec.Lo64;
    n.mant = (dec.sign & DECIMAL_NEG) ? -mag : mag;
    n.scale = dec.scale <= kMaxScale ? dec.scale : kMaxScale;
    return n;
}

// The number text of en-US: blanks, one leading sign, digits with ',' between them in the whole
// part, '.', an exponent, blanks.
HRESULT parseNumber(BSTR text, Num& out)
{
    if (!text)
        return DISP_E_TYPEMISMATCH;
    std::string digits;
    int fracDigits = 0;
    bool negative = false, seenPoint = false, anyDigit = false;
    long exponent = 0;
    size_t i = 0, n = SysStringLen(text);
    auto at = [&](size_t k) -> OLECHAR { return k < n ? text[k] : u'\0'; };
    auto blank = [](OLECHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0; };
    while (blank(at(i)))
        ++i;
    if (at(i) == u'+' || at(i) == u'-')
        negative = at(i++) == u'-';
    for (;; ++i) {
        OLECHAR c = at(i);
        if (c >= u'0' && c <= u'9') {
            digits += (char)c;
            anyDigit = true;
            if (seenPoint)
                ++fracDigits;
        } else if (c == u',' && anyDigit && !seenPoint) {
            continue;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return DISP_E_TYPEMISMATCH;
    if (at(i) == u'e' || at(i) == u'E') {
        ++i;
        bool expNegative = false;
        if (at(i) == u'+' || at(i) == u'-')
            expNegative = at(i++) == u'-';
        if (!(at(i) >= u'0' && at(i) <= u'9'))
            return DISP_E_TYPEMISMATCH;
        for (; at(i) >= u'0' && at(i) <= u'9'; ++i)
            if (exponent < 100000)
                exponent = exponent * 10 + (at(i) - u'0');
        if (expNegative)
            exponent = -exponent;
    }
    while (blank(at(i)))
        ++i;
    if (i != n)
        return DISP_E_TYPEMISMATCH;

    std::string clean = (negative ? "-" : "") + digits + "e" + std::to_string(exponent - fracDigits);
    out = Num();
    {
        FixedNumbers fixed;
        out.d = std::strtod(clean.c_str(), nullptr);
    }
    out.haveDouble = true;

    size_t first = digits.find_first_not_of('0');
    std::string significant = first == std::string::npos ? "0" : digits.substr(first);
    long scale = fracDigits - exponent;
    if (significant.size() > 36 || scale < -36 || scale > 1000) {
        out.exact = false;
        return S_OK;
    }
    // Drop digits below the DECIMAL's finest step, rounding half to even.
    Int128 mant = 0;
    for (char c : significant)
        mant = mant * 10 + (c - '0');
    while (scale > kMaxScale && mant != 0) {
        mant = divRoundHalfEven(mant, 10);
        --scale;
    }
    if (mant == 0)
        scale = 0;
    for (; scale < 0; ++scale) {
        if (mant > kPow10[kMaxScale] * 100000000)
            break;
        mant *= 10;
    }
    if (scale < 0 || scale > kMaxScale) {
        out.exact = false;
        return S_OK;
    }
    out.mant = negative ? -mant : mant;
    out.scale = (int)scale;
    return S_OK;
}

bool equalsNoCase(BSTR text, const char* word)
{
    size_t i = 0, n = SysStringLen(text);
    while (i < n && text[i] == u' ')
        ++i;
    for (; *word; ++word, ++i) {
        if (i >= n)
            return false;
        OLECHAR c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = (OLECHAR)(c + 32);
        if (c != (OLECHAR)*word)
            return false;
    }
    while (i < n && text[i] == u' ')
        ++i;
    return i == n;
}

// The number a non-text value stands for.
Num numberOf(const VARIANT& v)
{
    Num n;
    switch (v.vt) {
    case VT_I1: n.mant = v.cVal; break;
    case VT_UI1: n.mant = v.bVal; break;
    case VT_I2: n.mant = v.iVal; break;
    case VT_UI2: n.mant = v.uiVal; break;
    case VT_I4:
    case VT_ERROR: n.mant = v.lVal; break;
    case VT_INT: n.mant = v.intVal; break;
    case VT_UI4: n.mant = v.ulVal; break;
    case VT_UINT: n.mant = v.uintVal; break;
    case VT_I8: n.mant = v.llVal; break;
    case VT_UI8: n.mant = v.ullVal; break;
    case VT_BOOL: n.mant = v.boolVal ? -1 : 0; break;
    case VT_CY:
        n.mant = v.cyVal.int64;
        n.scale = 4;
        break;
    case VT_DECIMAL: n = decimalNum(v.decVal); break;
    case VT_R4:
        n.exact = false;
        n.d = v.fltVal;
        break;
    case VT_R8:
        n.exact = false;
        n.d = v.dblVal;
        break;
    case VT_DATE:
        n.exact = false;
        n.d = v.date;
        break;
    default: break;
    }
    return n;
}

bool isZero(const Num& n) { return n.exact ? n.mant == 0 : n.d == 0.0; }

// Stores the number as type vt; DISP_E_OVERFLOW when it does not fit.
HRESULT storeNumber(const Num& n, VARTYPE vt, VARIANT& out)
{
    out.vt = vt;
    if (vt == VT_BOOL) {
        out.boolVal = isZero(n) ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    if (vt == VT_CY)
        return toCurrency(n, out.cyVal.int64) ? S_OK : DISP_E_OVERFLOW;
    if (vt == VT_DECIMAL) {
        DECIMAL dec;
        if (!toDecimal(n, dec))
            return DISP_E_OVERFLOW;
        out.decVal = dec;
        out.vt = VT_DECIMAL;
        return S_OK;
    }
    if (vt == VT_R4 || vt == VT_R8 || vt == VT_DATE) {
        double d = toDouble(n);
        if (vt == VT_R4) {
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX)
                return DISP_E_OVERFLOW;
            out.fltVal = (float)d;
        } else if (vt == VT_DATE) {
            if (!(d >= -657434.0 && d < 2958466.0))
                return DISP_E_OVERFLOW;
            out.date = d;
        } else {
            out.dblVal = d;
        }
        return S_OK;
    }
    Int128 w;
    if (!toWhole(n, w))
        return DISP_E_OVERFLOW;
    Int128 lo, hi;
    switch (vt) {
    case VT_I1: lo = INT8_MIN, hi = INT8_MAX; break;
    case VT_UI1: lo = 0, hi = UINT8_MAX; break;
    case VT_I2: lo = INT16_MIN, hi = INT16_MAX; break;
    case VT_UI2: lo = 0, hi = UINT16_MAX; break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: lo = INT32_MIN, hi = INT32_MAX; break;
    case VT_UI4:
    case VT_UINT: lo = 0, hi = UINT32_MAX; break;
    case VT_I8: lo = INT64_MIN, hi = INT64_MAX; break;
    default: lo = 0, hi = UINT64_MAX; break;
    }
    if (w < lo || w > hi)
        return DISP_E_OVERFLOW;
    out.llVal = 0;
    switch (vt) {
    case VT_I1: out.cVal = (CHAR)w; break;
    case VT_UI1: out.bVal = (BYTE)w; break;
    case VT_I2: out.iVal = (SHORT)w; break;
    case VT_UI2: out.uiVal = (USHORT)w; break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: out.lVal = (LONG)w; break;
    case VT_UI4:
    case VT_UINT: out.ulVal = (ULONG)w; break;
    case VT_I8: out.llVal = (LONGLONG)w; break;
    default: out.ullVal = (ULONGLONG)w; break;
    }
    return S_OK;
}

std::string exactText(Int128 mant, int scale)
{
    bool negative = mant < 0;
    Int128 mag = negative ? -mant : mant;
    // Written from the last digit: the fraction loses its trailing zeros (and its point with them),
    // the whole part keeps at least one digit.
    std::string reversed;
    for (int place = 0; mag != 0 || place <= scale; ++place) {
        if (place == scale && !reversed.empty())
            reversed += '.';
        const int digit = (int)(mag % 10);
        mag /= 10;
        if (place < scale && reversed.empty() && digit == 0)
            continue;
        reversed += (char)('0' + digit);
    }
    if (negative && reversed != "0")
        reversed += '-';
    return std::string(reversed.rbegin(), reversed.rend());
}

std::string floatText(double d, int digits)
{
    char text[48];
    FixedNumbers fixed;
    std::snprintf(text, sizeof text, "%.*G", digits, d);
    return text;
}

HRESULT storeText(const std::string& text, VARIANT& out)
{
    std::u16string wide(text.begin(), text.end());
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringLen(wide.data(), (UINT)wide.size());
    return out.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT formatText(const VARIANT& v, LCID lcid, USHORT flags, VARIANT& out)
{
    switch (v.vt) {
    case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL)
            return storeText(v.boolVal ? "True" : "False", out);
        return storeText(v.boolVal ? "-1" : "0", out);
    case VT_R4: return storeText(floatText(v.fltVal, 7), out);
    case VT_R8: return storeText(floatText(v.dblVal, 15), out);
    case VT_DATE: {
        out.vt = VT_BSTR;
        HRESULT hr = VarBstrFromDate(v.date, lcid, 0, &out.bstrVal);
        if (FAILED(hr))
            out.vt = VT_EMPTY;
        return hr;
    }
    default: {
        Num n = numberOf(v);
        return storeText(exactText(n.mant, n.scale), out);
    }
    }
}

HRESULT parseText(BSTR text, VARTYPE vt, LCID lcid, VARIANT& out)
{
    if (vt == VT_DATE) {
        out.vt = VT_DATE;
        return VarDateFromStr(text ? text : u"", lcid, 0, &out.date);
    }
    if (vt == VT_BOOL && text) {
        if (equalsNoCase(text, "true") || equalsNoCase(text, "false")) {
            out.vt = VT_BOOL;
            out.boolVal = equalsNoCase(text, "true") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    Num n;
    HRESULT hr = parseNumber(text, n);
    if (FAILED(hr))
        return hr;
    if (vt == VT_R4 || vt == VT_R8 || vt == VT_DATE)
        n.exact = false;
    return storeNumber(n, vt, out);
}

HRESULT zeroOf(VARTYPE vt, VARIANT& out)
{
    std::memset(&out, 0, sizeof out);
    if (vt == VT_BSTR)
        return storeText("", out);
    out.vt = vt;
    return S_OK;
}

HRESULT convertValue(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out, int depth);

HRESULT valueProperty(IDispatch* disp, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out, int depth)
{
    if (!disp || (flags & VARIANT_NOVALUEPROP) || depth > 8)
        return DISP_E_TYPEMISMATCH;
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT hr = disp->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    VARIANT plain;
    VariantInit(&plain);
    hr = VariantCopyInd(&plain, &value);
    VariantClear(&value);
    if (SUCCEEDED(hr))
        hr = convertValue(plain, lcid, flags, vt, out, depth + 1);
    VariantClear(&plain);
    return hr;
}

// src holds a value (no reference); out receives a new value of type vt that it owns.
HRESULT convertValue(const VARIANT& src, LCID lcid, USHORT flags, VARTYPE vt, VARIANT& out, int depth)
{
    VariantInit(&out);
    if ((src.vt | vt) & VT_ARRAY) {
        if (src.vt != vt)
            return DISP_E_TYPEMISMATCH;
        return VariantCopy(&out, &src);
    }
    switch (kRules[classOf(src.vt)][classOf(vt)]) {
    case X: return DISP_E_TYPEMISMATCH;
    case Z: return zeroOf(vt, out);
    case C:
        if (src.vt == vt)
            return VariantCopy(&out, &src);
        return storeNumber(numberOf(src), vt, out);
    case N: return storeNumber(numberOf(src), vt, out);
    case S: return formatText(src, lcid, flags, out);
    case P: return parseText(src.bstrVal, vt, lcid, out);
    case Q: {
        out.vt = vt;
        out.punkVal = nullptr;
        if (!src.punkVal)
            return S_OK;
        HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
            reinterpret_cast<void**>(&out.punkVal));
        if (FAILED(hr)) {
            out.vt = VT_EMPTY;
            return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
        }
        return S_OK;
    }
    case V: return valueProperty(src.pdispVal, lcid, flags, vt, out, depth);
    }
    return DISP_E_TYPEMISMATCH;
}

} // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags, VARTYPE vt)
{
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    if (!isValidVariantType(pvarSrc->vt))
        return DISP_E_BADVARTYPE;
    if (vt & VT_BYREF)
        return DISP_E_TYPEMISMATCH;
    if (!isValidVariantType(vt) && vt != VT_EMPTY)
        return DISP_E_BADVARTYPE;
    // A reference is converted through the value it names.
    VARIANT plain;
    VariantInit(&plain);
    HRESULT hr = VariantCopyInd(&plain, pvarSrc);
    if (FAILED(hr))
        return hr;
    VARIANT result;
    hr = convertValue(plain, lcid, wFlags, vt, result, 0);
    VariantClear(&plain);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    // Source and destination may be one VARIANT: it is replaced only once the result exists.
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    std::memcpy(pvargDest, &result, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
