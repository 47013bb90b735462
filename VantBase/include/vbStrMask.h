#pragma once

// Masks: templates that lay out named fields at fixed widths, for aligned report and list lines.
//
// "[name;max;min;align;start;default]": every part but the name may be left out; align is < (left),
// > (right) or the pad character; start counts from 1, or from the end with a leading -. Text
// outside brackets is literal, and so is a bracket that is not a well-formed field. A mask that
// begins with ! is a picture: each run of one repeated character is replaced by its value.
// vbString::Mask(mask, pIf, total) does parse, adjust and make in one step.

#include "vbArray.h"
#include "vbExport.h"
#include "vbString.h"

#include <cstdint>

struct VBAPI vbKeyMask {
    vbString name;  // empty for literal text
    vbString value; // the literal text, or the field's value
    int32_t max = -1;
    int32_t min = -1;
    int32_t start = -1;
    int32_t width = 0; // the final width, set by vbAdjustMask
    char pad = 0;      // 0: blank
    bool bRight = false;
    bool bFromEnd = false;
};

// Supplied by the caller of a mask; an empty answer keeps the field's default text, or the
// picture's run as it stands. Without an interface every answer is empty.
class VBAPI sIvbStringMask {
public:
    virtual vbString GetKeyValue(const vbKeyMask& field);
    virtual vbString GetPictureValue(char c, int count);

protected:
    sIvbStringMask() = default;
    sIvbStringMask(const sIvbStringMask&) = default;
    sIvbStringMask& operator=(const sIvbStringMask&) = default;
    ~sIvbStringMask() = default;
};

// Appends the fields of text to *fields, named fields valued through pIf (may be null).
VBAPI void vbParseMask(const char* text, vbArray<vbKeyMask>* fields, sIvbStringMask* pIf);
// Sets the final widths; with total > 0, shrinks fields with room in proportion to it until the
// sum of widths is total (never below a field's minimum).
VBAPI void vbAdjustMask(vbArray<vbKeyMask>* fields, int total);
VBAPI vbString vbMakeMask(const vbArray<vbKeyMask>& fields);
