#pragma once

// Command targets and their message maps. A class that handles messages declares
// DECLARE_MESSAGE_MAP() and lists its handlers between BEGIN_MESSAGE_MAP(theClass, baseClass) and
// END_MESSAGE_MAP(); each entry holds an adapter that unpacks wParam and lParam into the handler's
// own parameters, so a handler of the wrong signature does not compile. A class's table chains to
// its base's: the most derived entry that matches a message wins.

#include "plat/afx.h"
#include "plat/message.h"

class CCmdTarget;

// Answers TRUE when the handler took the message, with its answer in *pResult.
typedef BOOL (*AFX_PMSG)(CCmdTarget* pTarget, UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // the window message, or WM_COMMAND / WM_NOTIFY with a code and an id range
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_PMSG pfn; // null ends a table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// A child's notification reflected back to the child comes as this base plus the message.
#define WM_REFLECT_BASE 0xBC00
// Stands for every WM_CTLCOLOR* message in a table.
#define WM_CTLCOLOR 0x0019

class PLATAPI CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget();
    ~CCmdTarget() override;

    // Offers a command (WM_COMMAND's id and notification code) to the table's command entries.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, LPARAM lParam, LRESULT* pResult);

    // The first entry, most derived table first, that takes the message; FALSE when none did.
    BOOL DispatchToMap(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass; \
        typedef baseClass TheBaseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
    {0, 0, 0, 0, nullptr}}; \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap; \
    }

// The body of an adapter: the target as the map's class, and the message's parts.
#define AFX_ADAPTER(...) \
    [](CCmdTarget* pTarget_, UINT nMsg_, WPARAM wParam_, LPARAM lParam_, LRESULT* pResult_) -> BOOL { \
        ThisClass* self_ = static_cast<ThisClass*>(pTarget_); \
        (void)self_, (void)nMsg_, (void)wParam_, (void)lParam_, (void)pResult_; \
        __VA_ARGS__ \
    }

// A handler of the given signature, checked at compile time.
#define AFX_HANDLER(memberFxn, ...) (static_cast<__VA_ARGS__>(&ThisClass::memberFxn))

#define ON_MESSAGE(message, memberFxn) \
    {message, 0, 0, 0, AFX_ADAPTER(*pResult_ = (self_->*AFX_HANDLER(memberFxn, LRESULT (ThisClass::*)(WPARAM, LPARAM)))(wParam_, lParam_); return TRUE;)},

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, UINT(id), UINT(id), AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)()))(); return TRUE;)},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND, 0, UINT(id), UINT(idLast), AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)(UINT)))(UINT(LOWORD(wParam_))); return TRUE;)},
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND, UINT(code), UINT(id), UINT(id), AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)()))(); return TRUE;)},
#define ON_NOTIFY(code, id, memberFxn) \
    {WM_NOTIFY, UINT(code), UINT(id), UINT(id), AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)(NMHDR*, LRESULT*)))(reinterpret_cast<NMHDR*>(lParam_), pResult_); return TRUE;)},

// Reflected notifications, handled by the control that sent them. A plain handler takes the
// notification (answer 0); an _EX one answers whether the parent should not see it as well.
#define ON_CONTROL_REFLECT(code, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, UINT(code), 0, 0xFFFF, AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)()))(); return TRUE;)},
#define ON_CONTROL_REFLECT_EX(code, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, UINT(code), 0, 0xFFFF, AFX_ADAPTER(return (self_->*AFX_HANDLER(memberFxn, BOOL (ThisClass::*)()))();)},
#define ON_NOTIFY_REFLECT(code, memberFxn) \
    {WM_REFLECT_BASE + WM_NOTIFY, UINT(code), 0, 0xFFFF, AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, void (ThisClass::*)(NMHDR*, LRESULT*)))(reinterpret_cast<NMHDR*>(lParam_), pResult_); return TRUE;)},
