// The framework's control: its property exchange in the three directions, and its COM faces.

#include "plat/afxctl.h"

#include <gtest/gtest.h>

namespace {

constexpr IID kDispatch = VNT_GUID(0x6C1D0F00, 0x1111, 0x4A4A, 0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07);
constexpr IID kEvents = VNT_GUID(0x6C1D0F01, 0x1111, 0x4A4A, 0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07);

// A control that keeps its older properties' version when it saves them.
class KeepingControl final : public COleControl {
public:
    KeepingControl() : COleControl(kDispatch, kEvents) {}
    void DoPropExchange(CPropExchange* pPX) override
    {
        ExchangeVersion(pPX, 0x20001, FALSE);
        seen = pPX->GetVersion();
    }
    DWORD seen = 0;

private:
    ~KeepingControl() override = default;
};

TEST(AfxOleControl, TheVersionIsExchangedInEachDirection)
{
    auto* control = new KeepingControl;
    EXPECT_EQ(control->GetVersionLoaded(), 0u);
    control->LoadProperties(CPropSet{});
    EXPECT_EQ(control->GetVersionLoaded(), 0x20001u) << "nothing stored: the default";
    control->LoadProperties(CPropSet{{"_Version", 0x10000}, {"Other", 5}});
    EXPECT_EQ(control->seen, 0x10000u);
    CPropSet saved;
    control->SaveProperties(saved);
    EXPECT_EQ(saved, (CPropSet{{"_Version", 0x10000}})) << "without conversion the loaded version stays";
    control->SetModifiedFlag();
    control->OnResetState();
    EXPECT_EQ(control->GetVersionLoaded(), 0x20001u);
    EXPECT_FALSE(control->IsModified());
    control->Release();
}

TEST(AfxOleControl, AnswersItsDispatchAndItsConnectionPointContainer)
{
    auto* control = new KeepingControl;
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, kDispatch, IID_IConnectionPointContainer}) {
        IUnknown* face = nullptr;
        ASSERT_EQ(control->QueryInterface(iid, reinterpret_cast<void**>(&face)), S_OK);
        face->Release();
    }
    IUnknown* none = nullptr;
    EXPECT_EQ(control->QueryInterface(kEvents, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(control->FindConnectionPoint(kEvents, &point), S_OK);
    EXPECT_EQ(control->AddRef(), 3u) << "the point counts with its control";
    control->Release();
    point->Release();
    EXPECT_EQ(control->Release(), 0u);
}

} // namespace
