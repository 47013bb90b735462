#pragma once

// The identifiers a library defines, each against its written form, so that one wrong byte names
// the identifier it is in.

#include "plat/unknwn.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

struct GuidRow {
    const char* name;
    const GUID& id;
    const char* text;
};

#define GUID_ROW(id, text) GuidRow{#id, id, text}

inline void ExpectGuidTexts(std::initializer_list<GuidRow> rows)
{
    for (const GuidRow& row : rows) {
        OLECHAR buf[39];
        ASSERT_EQ(StringFromGUID2(row.id, buf, 39), 39) << row.name;
        const std::u16string written(buf);
        EXPECT_EQ(std::string(written.begin(), written.end()), row.text) << row.name;
    }
}
