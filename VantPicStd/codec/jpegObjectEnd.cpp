#include "jpegObjectEnd.h"

#include "vbExceptionReport.h"

void jpegEndObject(picImagePtr& image, picBitmapPtr& bitmap, vbHotPlugFactory* factory)
{
    try {
        image = nullptr;
        bitmap = nullptr;
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
    try {
        factory->DecObjCnt();
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}
