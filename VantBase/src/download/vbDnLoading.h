#pragma once

// One load of a download object: LoadingStart, the bytes given by feed, then LoadingEnd. A
// failure while feeding ends the load as failed, so that the object lets go of what it gathered
// (a temporary file among it) and is not left loading, and then passes on.

#include "vbBaseItf.h"
#include "vbDnPlugin.h"

template <class Feed>
void vbDnFeedLoad(vbDnData* data, IvbDnObject* obj, int64_t size, Feed feed)
{
    obj->LoadingStart(data, size);
    try {
        feed();
    } catch (...) {
        try {
            obj->LoadingEnd(data, false);
        } catch (...) {
            vbImpl::reportCurrent(false, "vbDnPlugin", __LINE__);
        }
        throw;
    }
    obj->LoadingEnd(data, true);
}
