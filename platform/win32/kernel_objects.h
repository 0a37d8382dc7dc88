// The kernel's handle table: open files and file mappings, closed with CloseHandle.
#pragma once

#include "win32/handle_table.h"
#include "windows.h"

#include <memory>

namespace win32 {

struct KernelObject {
    virtual ~KernelObject() = default;
};

HandleTable<KernelObject>& kernelObjects();

// Takes the object; its handle, or null (ERROR_NOT_ENOUGH_MEMORY set) when memory runs out.
HANDLE insertKernelObject(std::unique_ptr<KernelObject> object);

// The object of a handle when it is of type T; null for null, INVALID_HANDLE_VALUE, unknown
// handles and objects of another type.
template <typename T> T* findKernelObject(HANDLE handle) {
    return dynamic_cast<T*>(kernelObjects().find(handle));
}

// Calls visit(object) for every open object of type T.
template <typename T, typename Visit> void forEachKernelObject(Visit visit) {
    kernelObjects().forEach([&](uintptr_t, KernelObject& object) {
        if (T* typed = dynamic_cast<T*>(&object))
            visit(*typed);
    });
}

} // namespace win32
