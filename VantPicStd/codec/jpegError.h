#pragma once

// libjpeg fitted into the system: an error manager that sends the library's messages to the
// release log and turns its errors into picEcompress, and the guard every library call runs in.
//
// The packaged library is C and promises no unwinding, so an error leaves it by longjmp back to
// the guard, which then destroys the libjpeg object and throws. Nothing between the guard's
// setjmp and the library may hold an object with a destructor: lock holders and references live
// in the guard's caller.

#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <exception>

static_assert(JPEG_LIB_VERSION == 62, "the plug-in is written for the libjpeg 6.2 interface");

struct jpegErrorMgr : jpeg_error_mgr {
    jmp_buf jump;
    // The formatted text of the error that left the library.
    char text[JMSG_LENGTH_MAX];
    // The formatted text of the object's first warning, which tells what was wrong with the data.
    char warning[JMSG_LENGTH_MAX];
    // An exception of one of our callbacks, caught there so that it never crosses the library.
    std::exception_ptr pending;
};

// The standard manager (library table, no add-on table, trace level 0) with this system's routines.
void jpegInitErrorMgr(jpegErrorMgr* err);

// How one of our callbacks leaves the library with an exception: jpegKeep in the catch block,
// then, once the block has ended, jpegLeave. The guard throws the exception again.
void jpegKeep(j_common_ptr cinfo);
[[noreturn]] void jpegLeave(j_common_ptr cinfo);

// Destroys the libjpeg object and throws the pending exception, or picEcompress E_FAIL with the error's text, context
// "JPEG Library Error".
[[noreturn]] void jpegRaise(j_common_ptr cinfo);

// Runs call, one libjpeg function, under the error manager's jump point.
template <class Call>
auto jpegCall(j_common_ptr cinfo, Call&& call)
{
    if (setjmp(static_cast<jpegErrorMgr*>(cinfo->err)->jump))
        jpegRaise(cinfo);
    return call();
}
