#pragma once

// Checks on the exceptions the memory and object layer throws.

#include "vbException.h"

#include <gtest/gtest.h>

#include <string>

namespace vbtest {

struct Caught {
    bool thrown = false;
    HRESULT hr = 0;
    std::string msg;
    std::string cls;
    std::string ctx; // of a vbEadv
};

// Runs f and answers what it threw (a framework exception, deleted here).
template <class F>
Caught catchVb(F&& f)
{
    Caught c;
    try {
        f();
    } catch (CException* e) {
        c.thrown = true;
        if (auto* vb = dynamic_cast<vbEbase*>(e)) {
            c.hr = vb->GetRealHR();
            c.msg = vb->GetMsg();
            c.cls = e->GetRuntimeClass()->m_lpszClassName;
        }
        if (auto* adv = dynamic_cast<vbEadv*>(e))
            c.ctx = adv->GetCtxString().c_str();
        e->Delete();
    }
    return c;
}

// f must throw a vbEsys with this code and message.
template <class F>
void expectEsys(F&& f, HRESULT hr, const std::string& msg)
{
    Caught c = catchVb(f);
    EXPECT_TRUE(c.thrown) << "expected: " << msg;
    EXPECT_EQ(c.cls, "vbEsys");
    EXPECT_EQ(static_cast<uint32_t>(c.hr), static_cast<uint32_t>(hr)) << c.msg;
    EXPECT_EQ(c.msg, msg);
}

} // namespace vbtest
