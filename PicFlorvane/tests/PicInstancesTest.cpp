// One instance at a time: the real program, started beside a running instance, hands over to it
// and ends.

#include "PicProgramKit.h"

#include "LogFileReader.h"

#include "plat/handles.h"
#include "plat/sync.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using pic::test::ProgramRun;

constexpr const char* kLogName = "picfV5108.log";

// What a running instance holds while it runs.
class InstanceSemaphore {
public:
    InstanceSemaphore() : m_handle(CreateSemaphoreA(nullptr, 1, 1, "KVX.PicFlorvane")) { EXPECT_TRUE(m_handle); }
    ~InstanceSemaphore() { CloseHandle(m_handle); }
    InstanceSemaphore(const InstanceSemaphore&) = delete;
    InstanceSemaphore& operator=(const InstanceSemaphore&) = delete;

private:
    HANDLE m_handle;
};

TEST(PicInstances, AnAutomationStartBesideARunningInstanceSaysItCannotBeServed)
{
    InstanceSemaphore running;
    ProgramRun later({"-Embedding"});
    EXPECT_EQ(later.waitExit(), 0) << later.output();
    const std::string log = readLogFile(kLogName);
    EXPECT_NE(log.find("PICf already launched and com need to instanciate a new application"), std::string::npos)
        << log;
}

} // namespace
