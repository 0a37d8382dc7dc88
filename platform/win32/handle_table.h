// Handles of the layer's objects: opaque numbers looked up in a table and never dereferenced,
// so a stale, forged or null handle is refused instead of crashing. The table is guarded, as
// programs that work on several threads open files and registry keys from each of them; an
// object itself belongs to the thread that uses its handle.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace win32 {

template <typename Object> class HandleTable {
public:
    // The tag keeps the handles of different tables apart, so an HWND given as an HFONT is
    // not found.
    explicit HandleTable(uintptr_t tag) : tag_(tag) {}

    // Takes the object and returns its new handle; 0 when memory runs out. Handles are never
    // reused, multiples of four like the platform's.
    uintptr_t insert(std::unique_ptr<Object> object) {
        if (!object)
            return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        const uintptr_t handle = (tag_ << 28) | (next_ << 2);
        try {
            objects_.emplace(handle, std::move(object));
        } catch (const std::bad_alloc&) {
            return 0;
        }
        ++next_;
        return handle;
    }

    Object* find(uintptr_t handle) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second.get();
    }

    template <typename Handle> Object* find(Handle handle) const {
        return find(reinterpret_cast<uintptr_t>(handle));
    }

    // Hands the object back to the caller, who destroys it; null for an unknown handle.
    std::unique_ptr<Object> remove(uintptr_t handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        if (it == objects_.end())
            return nullptr;
        std::unique_ptr<Object> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    template <typename Handle> std::unique_ptr<Object> remove(Handle handle) {
        return remove(reinterpret_cast<uintptr_t>(handle));
    }

    // Calls visit(handle, object) for every object; visit must not use the table.
    template <typename Visit> void forEach(Visit visit) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [handle, object] : objects_)
            visit(handle, *object);
    }

private:
    mutable std::mutex mutex_;
    uintptr_t tag_;
    uintptr_t next_ = 1;
    std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects_;
};

} // namespace win32
