#include "hotplug/vbHotPlugTrace.h"

#include "vbExceptionReport.h"
#include "vbLog.h"

void vbHotPlugTrace(int level, const vbString& text)
{
    if (vbHotPlugTraceLevel() >= level)
        vbRelOutput("HOTPLUG: " + text, true);
}
