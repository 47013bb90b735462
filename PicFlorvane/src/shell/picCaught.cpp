#include "picCaught.h"

#include "vbExceptionReport.h"

void picShowCaught(const char* source, int line)
{
    try {
        throw;
    } catch (CException* e) {
        vbShowException(e, true, source, line);
    } catch (...) {
        vbShowException(nullptr, false, source, line);
    }
}

void picTraceCaught(const char* source, int line)
{
    try {
        throw;
    } catch (CException* e) {
        vbTraceException(e, true, source, line);
    } catch (...) {
        vbTraceException(nullptr, false, source, line);
    }
}

vbString picCaughtMessage()
{
    try {
        throw;
    } catch (CException* e) {
        return vbGetMsg(e, true);
    } catch (...) {
        return "unknown exception";
    }
}
