// Small owners of device resources, so that no early return leaks a reference or a state
// block: ComRef holds one reference of a component object, StateBlockHolder one state block.
#pragma once

#include "d3d8.h"

#include <utility>

// Holds one reference of a platform object (Release) or of a toolkit object (release).
template <class T> class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already holds.
    explicit ComRef(T* object) : object_(object) {}
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Releases what is held and returns the slot for an out-parameter.
    T** out() {
        reset();
        return &object_;
    }
    // Adds a reference of its own to an object the caller keeps.
    void share(T* object) {
        if (object != nullptr)
            addRefOf(object);
        reset();
        object_ = object;
    }
    T* detach() { return std::exchange(object_, nullptr); }
    void reset() {
        if (T* object = std::exchange(object_, nullptr))
            releaseOf(object);
    }

private:
    static void addRefOf(T* object) {
        if constexpr (requires { object->AddRef(); })
            object->AddRef();
        else
            object->addRef();
    }
    static void releaseOf(T* object) {
        if constexpr (requires { object->Release(); })
            object->Release();
        else
            object->release();
    }

    T* object_ = nullptr;
};

// Holds one state block of a device (token 0 = none) and deletes it when reset or destroyed.
// The device must outlive the holder; owners declare the device's reference first.
class StateBlockHolder {
public:
    StateBlockHolder() = default;
    ~StateBlockHolder() { reset(); }
    StateBlockHolder(const StateBlockHolder&) = delete;
    StateBlockHolder& operator=(const StateBlockHolder&) = delete;

    DWORD token() const { return token_; }
    explicit operator bool() const { return token_ != 0; }

    // Ends the device's recording into this holder, replacing what it held.
    HRESULT endRecording(IDirect3DDevice8* device) {
        DWORD token = 0;
        const HRESULT hr = device->EndStateBlock(&token);
        reset();
        if (hr >= 0) {
            device_ = device;
            token_ = token;
        }
        return hr;
    }
    void reset() {
        if (token_ != 0)
            device_->DeleteStateBlock(token_);
        token_ = 0;
        device_ = nullptr;
    }

private:
    IDirect3DDevice8* device_ = nullptr;
    DWORD token_ = 0;
};
