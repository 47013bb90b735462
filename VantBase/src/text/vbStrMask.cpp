#include "vbStrMask.h"

#include <climits>
#include <cstring>

vbString sIvbStringMask::GetKeyValue(const vbKeyMask&)
{
    return vbString();
}

vbString sIvbStringMask::GetPictureValue(char, int)
{
    return vbString();
}

namespace {

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Decimal digits, at most nine; an empty part leaves *pValue at -1.
bool readNumber(const char* p, int n, int32_t* pValue)
{
    if (n == 0)
        return true;
    if (n > 9)
        return false;
    int32_t value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        value = value * 10 + (p[i] - '0');
    }
    *pValue = value;
    return true;
}

// The inside of a bracket (n characters at p) as a field; false when it is not a well-formed one.
bool parseField(const char* p, int n, vbKeyMask* f)
{
    if (n == 0)
        return false;
    const char* parts[6];
    int lens[6];
    int count = 0;
    int partStart = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && p[i] != ';')
            continue;
        if (count == 6)
            return false;
        parts[count] = p + partStart;
        lens[count] = i - partStart;
        ++count;
        partStart = i + 1;
    }
    for (int k = 0; k < count && k < 5; ++k) {
        if (k == 3)
            continue;
        for (int i = 0; i < lens[k]; ++i) {
            if (isWhite(parts[k][i]))
                return false;
        }
    }
    f->name = vbString(parts[0], lens[0]);
    if (count > 1 && !readNumber(parts[1], lens[1], &f->max))
        return false;
    if (count > 2 && !readNumber(parts[2], lens[2], &f->min))
        return false;
    if (count > 3) {
        if (lens[3] > 1)
            return false;
        if (lens[3] == 1) {
            const char c = parts[3][0];
            if (c == '>')
                f->bRight = true;
            else if (c != '<')
                f->pad = c;
        }
    }
    if (count > 4 && lens[4] > 0) {
        const char* s = parts[4];
        int len = lens[4];
        if (*s == '-') {
            f->bFromEnd = true;
            ++s;
            --len;
            if (len == 0)
                return false;
        }
        if (!readNumber(s, len, &f->start))
            return false;
    }
    if (count > 5)
        f->value = vbString(parts[5], lens[5]);
    return true;
}

void addLiteral(vbArray<vbKeyMask>* fields, const char* p, int n)
{
    if (n <= 0)
        return;
    vbKeyMask f;
    f.value = vbString(p, n);
    fields->Add(f);
}

// 0-based offset of the shown part of a field's value; a start before the first character is
// the first character.
int shownOffset(const vbKeyMask& f)
{
    return f.start > 1 ? f.start - 1 : 0;
}

vbString picture(const char* p, sIvbStringMask* pIf)
{
    vbString out;
    while (*p) {
        const char c = *p;
        int n = 1;
        while (p[n] == c)
            ++n;
        vbString value = pIf ? pIf->GetPictureValue(c, n) : vbString();
        if (value.IsEmpty())
            out.Add(p, n);
        else
            out += value;
        p += n;
    }
    return out;
}

} // namespace

void vbParseMask(const char* text, vbArray<vbKeyMask>* fields, sIvbStringMask* pIf)
{
    if (!text)
        return;
    const char* p = text;
    const char* literal = p;
    while (*p) {
        if (*p != '[') {
            ++p;
            continue;
        }
        const char* close = std::strchr(p + 1, ']');
        if (!close)
            break;
        vbKeyMask f;
        if (!parseField(p + 1, int(close - p - 1), &f)) {
            // Not a field: the bracket stays part of the literal text.
            p = close + 1;
            continue;
        }
        addLiteral(fields, literal, int(p - literal));
        if (!f.name.IsEmpty() && pIf) {
            vbString value = pIf->GetKeyValue(f);
            if (!value.IsEmpty())
                f.value = value;
        }
        fields->Add(f);
        p = close + 1;
        literal = p;
    }
    addLiteral(fields, literal, int(std::strlen(literal)));
}

void vbAdjustMask(vbArray<vbKeyMask>* fields, int total)
{
    const int n = fields->GetLength();
    int64_t sum = 0;
    int64_t sumMin = 0;
    for (int i = 1; i <= n; ++i) {
        vbKeyMask& f = (*fields)[i];
        const int len = f.value.GetLength();
        if (f.pad == 0)
            f.pad = ' ';
        if (f.min < 0)
            f.min = len > 0 ? 1 : 0;
        if (f.bFromEnd) {
            f.start = len - f.start + 1;
            f.bFromEnd = false;
        }
        int available = f.start >= 0 ? len - shownOffset(f) : len;
        if (available < 0)
            available = 0;
        if (f.max < 0 || (f.max > available && (!f.name.IsEmpty() || len > 0)))
            f.max = available;
        if (f.max < f.min)
            f.max = f.min;
        f.width = f.max;
        sum += f.width;
        sumMin += f.min;
    }
    if (total <= 0 || sum <= total || sum <= sumMin)
        return;
    const int64_t spare = sum - sumMin;
    bool bChanged = true;
    while (sum > total && bChanged) {
        bChanged = false;
        const int64_t excess = sum - total;
        for (int i = 1; i <= n && sum > total; ++i) {
            vbKeyMask& f = (*fields)[i];
            const int64_t room = int64_t(f.width) - f.min;
            if (room <= 0)
                continue;
            int64_t give = excess * room / spare;
            if (give < 1)
                give = 1;
            if (give > room)
                give = room;
            // Never past the total: the rounding up to one character could otherwise overshoot.
            if (give > sum - total)
                give = sum - total;
            f.width -= int32_t(give);
            sum -= give;
            bChanged = true;
        }
    }
}

vbString vbMakeMask(const vbArray<vbKeyMask>& fields)
{
    vbString out;
    for (int i = 1; i <= fields.GetLength(); ++i) {
        const vbKeyMask& f = fields[i];
        if (f.width <= 0)
            continue;
        const int len = f.value.GetLength();
        const int offset = f.start > 0 ? shownOffset(f) : 0;
        int shown = offset < len ? len - offset : 0;
        if (shown > f.width)
            shown = f.width;
        vbString part(f.value.c_str() + (offset < len ? offset : len), shown);
        const char pad = f.pad ? f.pad : ' ';
        if (f.bRight)
            part.PadLeft(f.width, pad);
        else
            part.Pad(f.width, pad);
        out += part;
    }
    return out;
}

vbString& vbString::Mask(const vbString& mask, sIvbStringMask* pIf, int total)
{
    if (mask.GetLength() > 0 && mask[1] == '!') {
        *this = picture(mask.c_str() + 1, pIf);
        return *this;
    }
    vbArray<vbKeyMask> fields;
    vbParseMask(mask, &fields, pIf);
    vbAdjustMask(&fields, total);
    *this = vbMakeMask(fields);
    return *this;
}
