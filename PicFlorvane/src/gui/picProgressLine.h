#pragma once

// What a piece of work (a picture's load, a project's assembly) reports to its line on the
// progress strip, passed on until the node the work is for goes. Such work runs on in the
// download centre's workers after its node is deleted; its line then reports nothing more, so the
// strip's row, hidden with the node, does not come back. Each line is known under its owner's
// text (a file, a project's work id), by which the going node cuts every line of its work.

#include "vbHotPlugItf.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbPtr.h"

#include <shared_mutex>

class picProgressLine : public vbObject, public IvbHotPlugCb {
public:
    using Ptr = vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb>;

    // A line passing reports on to target under owner; null without a target.
    static Ptr Open(const vbString& owner, IvbHotPlugCb* target);
    // Every line open under owner reports nothing from now on; a report being passed on by
    // another thread has reached the strip when this returns.
    static void CutAll(const vbString& owner);

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger* plugger) override;
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override;
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override;
    void OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
        const vbString& text) override;
    vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text) override;

protected:
    picProgressLine(const vbString& owner, IvbHotPlugCb* target);
    ~picProgressLine() override;

private:
    void cut();
    // Runs report on the target while the line is not cut, holding it shared so that a cut
    // waits for the report's end.
    template <class Report>
    void pass(Report report);

    const vbString m_owner;
    std::shared_mutex m_sect;
    Ptr m_target;
};
