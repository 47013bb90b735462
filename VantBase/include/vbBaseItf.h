#pragma once

// The roots every other class of the library stands on: the plain interface root `sIvbBase`
// (lookup of a face by GUID, adding no reference), the lock interface `sIvbLock`, and `vbBase`,
// the root of the classes that are not reference counted (engines, heaps, thread bases).
//
// An operation that a class does not implement, or that is reached while the object's base
// destructor runs, throws vbEsys E_ABORT "VantBase: Object of called method is in destruction
// (purecall)" through an ordinary default body: the runtime's own pure-call handler would end the
// process instead.

#include "vbExport.h"

#include "plat/errors.h"
#include "plat/types.h"

extern VBAPI const IID IID_sIvbBase;
extern VBAPI const IID IID_sIvbLock;

// Throws the purecall vbEsys described above.
[[noreturn]] VBAPI void vbPurecall();

class VBAPI sIvbBase {
public:
    virtual bool GetInterface(const GUID& iid, const void** ppv) const;
    virtual bool GetInterface(const GUID& iid, void** ppv);

protected:
    sIvbBase() = default;
    sIvbBase(const sIvbBase&) = default;
    // An interface carries no state: assigning one copies nothing.
    sIvbBase& operator=(const sIvbBase&) { return *this; }
    ~sIvbBase() = default;
};

class VBAPI sIvbLock {
public:
    virtual void Lock() const;
    virtual void Unlock() const;

protected:
    sIvbLock() = default;
    sIvbLock(const sIvbLock&) = default;
    sIvbLock& operator=(const sIvbLock&) { return *this; }
    ~sIvbLock() = default;
};

class VBAPI vbBase : public sIvbBase {
public:
    // Answers the sIvbBase identifier only; the const form forwards to the other.
    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;
    virtual ~vbBase();

protected:
    vbBase() = default;
    vbBase(const vbBase&) = default;
    vbBase& operator=(const vbBase&) = default;
};

class CException;

// Raising and reporting for the memory and object layer, kept out of line so that the templates
// of the arrays and pointers stay small.
namespace vbImpl {
// Throws a new vbEsys with hr and the printf-formatted message.
[[noreturn]] VBAPI void throwSys(HRESULT hr, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Throws a new vbEuser with hr, message and context.
[[noreturn]] VBAPI void throwUser(HRESULT hr, const char* msg, const char* ctx);
// For code that must not let an exception pass (destructors, the final release, lock holders):
// writes e (null: an exception outside the framework's family) to the release log with its
// source position, then deletes it. bShow marks the places that would show a message box.
VBAPI void reportCaught(CException* e, bool bShow, const char* file, int line) noexcept;
// The HRESULT an exception of the framework's family stands for (COM entry points answer it).
VBAPI HRESULT hrOf(const CException* e) noexcept;
// Same, from inside a catch block: catches the exception in flight and reports it.
VBAPI void reportCurrent(bool bShow, const char* file, int line) noexcept;
} // namespace vbImpl
