#pragma once

// The check the test helpers share: a call throws the library's exception of one class, with
// the code and the message.

#include "vbException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vbtest {

// Runs f, expects an E (or a subclass) with the code and message, and deletes it.
template <class E, class F>
void expectThrown(F&& f, HRESULT hr, const std::string& msg)
{
    try {
        f();
        ADD_FAILURE() << "no exception; expected: " << msg;
    } catch (E* e) {
        EXPECT_EQ(static_cast<uint32_t>(e->GetRealHR()), static_cast<uint32_t>(hr)) << e->GetMsg();
        EXPECT_EQ(std::string(e->GetMsg()), msg);
        e->Delete();
    } catch (CException* e) {
        ADD_FAILURE() << "another exception class; expected: " << msg;
        e->Delete();
    }
}

} // namespace vbtest
