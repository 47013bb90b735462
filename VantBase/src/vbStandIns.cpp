#include "vbStandIns.h"

#include "vbFileTools.h"

#include <sys/utsname.h>

vbString vbStandInProductName(const char* path)
{
    if (!path)
        return vbGetFileName(vbGetFilePath(static_cast<HINSTANCE>(nullptr)).c_str());
    return vbGetFileName(path);
}

vbString vbStandInOSlabel()
{
    struct utsname u;
    if (uname(&u) != 0)
        return vbString("Linux");
    vbString label;
    label.Format("%s %s (%s)", u.sysname, u.release, u.machine);
    return label;
}

