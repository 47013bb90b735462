#include "kernel/HandleTable.h"

#include "plat/errors.h"
#include "plat/handles.h"

#include <gtest/gtest.h>

namespace {

struct Probe : plat::KernelObject {
    explicit Probe(int& alive) : alive(alive) { ++alive; }
    ~Probe() override { --alive; }
    int& alive;
};

TEST(HandleTable, StaleHandleIsDetectedAfterSlotReuse)
{
    int alive = 0;
    HANDLE first = plat::kernelHandles().insert(std::make_shared<Probe>(alive));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 4, 0u);
    ASSERT_TRUE(CloseHandle(first));
    EXPECT_EQ(alive, 0);

    HANDLE second = plat::kernelHandles().insert(std::make_shared<Probe>(alive));
    EXPECT_NE(first, second);
    SetLastError(0);
    EXPECT_EQ(plat::kernelHandles().lookup(first), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(first));
    EXPECT_NE(plat::kernelHandles().lookup(second), nullptr);
    EXPECT_TRUE(CloseHandle(second));
}

TEST(HandleTable, ForeignValuesAreRefused)
{
    for (uintptr_t value : {uintptr_t(0), uintptr_t(3), uintptr_t(0x7FFFFFFC), ~uintptr_t(0) - 4}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(value))) << value;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << value;
    }
}

} // namespace

TEST(HandleTable, PseudoHandlesCloseAsNoOps)
{
    EXPECT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(intptr_t(-1))));
    EXPECT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(intptr_t(-2))));
}
