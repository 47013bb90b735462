#pragma once

// The walks of a listener list (the centre's and each record's), done with the owner's lock
// held.

#include "vbHotPlug.h"

typedef vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb> vbHotPlugCbPtr;

// Adds cb unless an entry already holds the same object (by COM identity); the first entry whose
// listener is gone is reused before the list grows. Answers cb's position.
int vbHotPlugAddCb(vbHotPlugCbArray& list, IvbHotPlugCb* cb);
// Removes the entries whose listener is gone, keeping the order of the others.
void vbHotPlugCleanCb(vbHotPlugCbArray& list);
// A counted reference to the listener at pos (1-based); false when it is gone.
bool vbHotPlugGetCb(vbHotPlugCbArray& list, int pos, vbHotPlugCbPtr* out);
