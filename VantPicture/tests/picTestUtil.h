#pragma once

// Checks the tests of the picture library share.

#include "VantPicture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>

namespace pictest {

// Runs f and expects an E (or a subclass) with the code, the message and, when given, the
// context; deletes it.
template <class E = picEcompress, class F>
void expectThrown(F&& f, HRESULT hr, const std::string& msg, const char* ctx = nullptr)
{
    try {
        f();
        ADD_FAILURE() << "no exception; expected: " << msg;
    } catch (E* e) {
        EXPECT_EQ(static_cast<uint32_t>(e->GetRealHR()), static_cast<uint32_t>(hr)) << e->GetMsg();
        EXPECT_EQ(std::string(e->GetMsg()), msg);
        if constexpr (std::is_base_of_v<vbEadv, E>) {
            if (ctx) {
                EXPECT_STREQ(e->GetCtxString(), ctx);
            }
        }
        e->Delete();
    } catch (CException* e) {
        ADD_FAILURE() << "another exception class; expected: " << msg;
        e->Delete();
    }
}

inline picBitmapPtr newBitmap(int cx, int cy, picBmpColorType type, int bits = 0)
{
    picBitmapPtr b;
    picCreateBitmap(&b, picSize(cx, cy), type, bits, picReqThrow);
    return b;
}

} // namespace pictest
