#pragma once

// The plug type "Test" of the plug-in tests, as the test program and the test modules both see
// it: one configuration place and one reload message.

#include "vbHotPlugin.h"

namespace vbtest {

class HotPlugTestType : public vbHotPlugType {
public:
    HotPlugTestType() : vbHotPlugType("Test", "5", "KVX Vantrel HotPlug Test", &message(), vbEngineDeps()) { }

    static vbExtraMsg& message()
    {
        static vbExtraMsg msg("KVX Vantrel HotPlug Test Message");
        return msg;
    }
};

// The class id of each test module; the variants differ in the last byte.
inline GUID hotPlugModuleId(BYTE variant)
{
    return GUID{0x5A5A0100, 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, variant}};
}

} // namespace vbtest
