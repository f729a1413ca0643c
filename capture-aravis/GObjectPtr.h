#pragma once
// GObject references that release themselves: every early return drops what
// it holds, on one path, as Aravis's own finalizers do with g_clear_object.

#include <glib-object.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller owns (what arv_*_new returns).
template <typename T>
GObjectPtr<T> Adopt(T* object)
{
    return GObjectPtr<T>(object);
}

// A new reference to an object someone else owns.
template <typename T>
GObjectPtr<T> Ref(T* object)
{
    return GObjectPtr<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}
