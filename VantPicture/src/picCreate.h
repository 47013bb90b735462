#pragma once

// The factories' common steps: a new object of class Obj is prepared by init and created, then
// handed to out, which holds its only reference. A failure on the way releases the new object
// and leaves out as it was.

template <class Obj, class Ptr, class Init>
void picCreateInto(Ptr* out, Init&& init)
{
    Obj* object = new Obj;
    try {
        init(*object);
        object->Create();
        *out = object;
    } catch (...) {
        object->Release();
        throw;
    }
    object->Release();
}
