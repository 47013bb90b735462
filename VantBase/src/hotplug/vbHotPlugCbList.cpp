#include "hotplug/vbHotPlugCbList.h"

#include <memory>

namespace {

typedef vbRefQIPtr<IUnknown, &IID_IUnknown> vbUnknownPtr;

bool isSameObject(IvbHotPlugCb* a, IvbHotPlugCb* b)
{
    vbUnknownPtr ua(a, false);
    vbUnknownPtr ub(b, false);
    return ua.Get() == ub.Get();
}

} // namespace

int vbHotPlugAddCb(vbHotPlugCbArray& list, IvbHotPlugCb* cb)
{
    int firstEmpty = 0;
    for (int i = 1; i <= list.GetLength(); ++i) {
        vbHotPlugCbPtr held;
        if (vbHotPlugGetCb(list, i, &held)) {
            if (isSameObject(held, cb))
                return i;
        } else if (firstEmpty == 0) {
            firstEmpty = i;
        }
    }
    std::unique_ptr<vbHotPlugCbObs> entry(new vbHotPlugCbObs(cb, false));
    if (firstEmpty == 0) {
        int pos = list.Add(entry.get());
        entry.release();
        return pos;
    }
    delete list[firstEmpty];
    list[firstEmpty] = entry.release();
    return firstEmpty;
}

void vbHotPlugCleanCb(vbHotPlugCbArray& list)
{
    for (int i = 1; i <= list.GetLength();) {
        vbHotPlugCbPtr held;
        if (vbHotPlugGetCb(list, i, &held))
            ++i;
        else
            list.Delete(i);
    }
}

bool vbHotPlugGetCb(vbHotPlugCbArray& list, int pos, vbHotPlugCbPtr* out)
{
    return list[pos]->GetRefPtr(out);
}
