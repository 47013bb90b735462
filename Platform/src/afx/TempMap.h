#pragma once

// The calling thread's temporary framework objects of handles it does not own. An object goes
// when its handle is found dead or when the thread drops them all at idle; before it goes, its
// handle is taken out of it, so that its destructor leaves the handle alone.

#include <map>
#include <memory>
#include <typeindex>
#include <utility>

namespace plat::afx {

template <class Handle, class Object>
class TempMap {
public:
    // Release takes the handle out of an object; Alive tells whether a handle still lives.
    TempMap(void (*release)(Object&), bool (*alive)(Handle)) : m_release(release), m_alive(alive) {}
    ~TempMap() { clear(); }
    TempMap(const TempMap&) = delete;
    TempMap& operator=(const TempMap&) = delete;

    // The object of kind T for the handle, made on first need.
    template <class T>
    T* get(Handle handle, void (*attach)(T&, Handle))
    {
        dropDead();
        auto& slot = m_objects[{handle, std::type_index(typeid(T))}];
        if (!slot) {
            auto object = std::make_unique<T>();
            attach(*object, handle);
            slot = std::move(object);
        }
        return static_cast<T*>(slot.get());
    }

    void dropDead()
    {
        for (auto it = m_objects.begin(); it != m_objects.end();) {
            if (m_alive(it->first.first)) {
                ++it;
            } else {
                m_release(*it->second);
                it = m_objects.erase(it);
            }
        }
    }

    void clear()
    {
        for (auto& entry : m_objects)
            m_release(*entry.second);
        m_objects.clear();
    }

private:
    void (*m_release)(Object&);
    bool (*m_alive)(Handle);
    std::map<std::pair<Handle, std::type_index>, std::unique_ptr<Object>> m_objects;
};

} // namespace plat::afx
