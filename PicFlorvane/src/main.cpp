#include "PicFlorvaneDlg.h"

#include "vbEngine.h"
#include "vbExceptionReport.h"

int main()
{
    // Every engine of the process stops when the last use of the centre goes.
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    try {
        CPicFlorvaneDlg dlg;
        dlg.DoModal(true);
    } catch (CException* e) {
        vbShowException(e, true, "PicFlorvane", __LINE__);
    } catch (...) {
        vbShowException(nullptr, false, "PicFlorvane", __LINE__);
    }
    return 0;
}
