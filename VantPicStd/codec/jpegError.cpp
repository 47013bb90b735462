#include "jpegError.h"

#include "picException.h"

#include "vbLog.h"

#include <cstring>
#include <utility>

namespace {

void formatMessage(j_common_ptr cinfo, char* buffer)
{
    jpeg_error_mgr* err = cinfo->err;
    const int code = err->msg_code;
    const char* format = nullptr;
    if (code > 0 && code <= err->last_jpeg_message)
        format = err->jpeg_message_table[code];
    else if (err->addon_message_table && code >= err->first_addon_message && code <= err->last_addon_message)
        format = err->addon_message_table[code - err->first_addon_message];
    if (!format) {
        err->msg_parm.i[0] = code;
        format = err->jpeg_message_table[0];
    }
    const char* percent = std::strchr(format, '%');
    bool takesString = false;
    for (; percent; percent = std::strchr(percent + 1, '%')) {
        if (percent[1] == 's') {
            takesString = true;
            break;
        }
    }
    const int* p = err->msg_parm.i;
    if (takesString)
        std::snprintf(buffer, JMSG_LENGTH_MAX, format, err->msg_parm.s);
    else
        std::snprintf(buffer, JMSG_LENGTH_MAX, format, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
}

void outputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    vbRelOutput(vbString("JPEG Library Error: ") + text, true);
}

// A warning reaches the log only as the object's first, unless tracing; every one is counted.
void emitMessage(j_common_ptr cinfo, int level)
{
    jpeg_error_mgr* err = cinfo->err;
    if (level < 0) {
        if (err->num_warnings == 0)
            err->format_message(cinfo, static_cast<jpegErrorMgr*>(err)->warning);
        if (err->num_warnings == 0 || err->trace_level >= 3)
            err->output_message(cinfo);
        ++err->num_warnings;
    } else if (err->trace_level >= level) {
        err->output_message(cinfo);
    }
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* err = static_cast<jpegErrorMgr*>(cinfo->err);
    err->format_message(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

void resetErrorMgr(j_common_ptr cinfo)
{
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

} // namespace

void jpegInitErrorMgr(jpegErrorMgr* err)
{
    jpeg_std_error(err);
    err->error_exit = errorExit;
    err->emit_message = emitMessage;
    err->output_message = outputMessage;
    err->format_message = formatMessage;
    err->reset_error_mgr = resetErrorMgr;
    err->text[0] = '\0';
    err->warning[0] = '\0';
}

void jpegKeep(j_common_ptr cinfo) { static_cast<jpegErrorMgr*>(cinfo->err)->pending = std::current_exception(); }

void jpegLeave(j_common_ptr cinfo) { std::longjmp(static_cast<jpegErrorMgr*>(cinfo->err)->jump, 1); }

void jpegRaise(j_common_ptr cinfo)
{
    auto* err = static_cast<jpegErrorMgr*>(cinfo->err);
    jpeg_destroy(cinfo);
    if (std::exception_ptr pending = std::exchange(err->pending, nullptr))
        std::rethrow_exception(pending);
    throw new picEcompress(E_FAIL, vbString(err->text), vbString("JPEG Library Error"));
}
