// Switches of the exception engine and the plug-in centre, read from the machine configuration.

#include "registry/vbRegSwitches.h"

#include "vbExceptionReport.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"

#include "vbException.h"
#include "vbVariant.h"

namespace {

// The machine configuration's key name, resolved without starting the path object: these
// switches are asked for while exceptions are built, also before the engine centre is in use.
vbRegKey machineKey(const char* name)
{
    vbRegRoot root = vbRegLocalMachine;
    vbString path;
    vbRegVantMachine.GetAbsPath(&root, &path);
    return vbRegKey(root, path.IsEmpty() ? vbString(name) : path + "\\" + name);
}

thread_local bool t_readingSwitch = false;

class ReadingSwitch {
public:
    ReadingSwitch() { t_readingSwitch = true; }
    ~ReadingSwitch() { t_readingSwitch = false; }
    ReadingSwitch(const ReadingSwitch&) = delete;
    ReadingSwitch& operator=(const ReadingSwitch&) = delete;
};

} // namespace

namespace vbImpl {

bool readExceptionSwitch(const char* className, const char* allName, const char* valueName, bool bDefault)
{
    // Reading may build an exception, whose constructor asks for its own switch: answered at once
    // instead of reading again (and again).
    if (t_readingSwitch)
        return true;
    ReadingSwitch guard;
    vbRegKey key = machineKey("Exception");
    if (!key.Exists())
        return bDefault;
    vbVariant all = key.GetValue(allName);
    if (!all.IsEmpty() && all.GetAsBool())
        return true;
    vbRegKey classKey(key, vbString(className));
    if (!classKey.Exists())
        return bDefault;
    vbVariant value = classKey.GetValue(valueName);
    return !value.IsEmpty() && value.GetAsBool();
}

} // namespace vbImpl

int vbHotPlugTraceLevel()
{
    // Asked while an exception is reported: a failure here would escape the reporting, so it
    // counts as no level set.
    if (t_readingSwitch)
        return -1;
    try {
        ReadingSwitch guard;
        vbRegKey key = machineKey("HotPlug Center");
        vbVariant trace = key.GetValue("Trace");
        if (!trace.IsEmpty())
            return static_cast<int>(trace.GetAsLong()) - 1;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return -1;
}
