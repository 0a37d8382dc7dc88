// Shared helpers of the software-device tests: a reference holder, a profile scope and a
// headless device with an explicit back-buffer size.
#pragma once

#include "d3d8.h"
#include "platform_ext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace d3d8_test {

// Holds one reference and releases it at the end of the scope.
template <class T> class Ref {
public:
    Ref() = default;
    explicit Ref(T* object) : object_(object) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : object_(other.detach()) {}
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = other.detach();
        }
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T** out() {
        reset();
        return &object_;
    }
    T* detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    void reset() {
        if (object_ != nullptr)
            object_->Release();
        object_ = nullptr;
    }

private:
    T* object_ = nullptr;
};

// Direct3D objects created inside the scope take the profile.
class ProfileScope {
public:
    explicit ProfileScope(uint32_t flags) { platform_ext::setDeviceProfile(flags); }
    ~ProfileScope() { platform_ext::resetDeviceProfile(); }
};

inline D3DPRESENT_PARAMETERS windowedParameters(D3DFORMAT format, UINT width, UINT height) {
    D3DPRESENT_PARAMETERS p;
    std::memset(&p, 0, sizeof(p));
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = format;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    return p;
}

// A Direct3D object and a headless device on the desktop's format.
class DeviceTest : public ::testing::Test {
protected:
    void createDevice(uint32_t profile, UINT width, UINT height, DWORD presentFlags = 0) {
        ProfileScope scope(profile);
        d3d.reset();
        device.reset();
        *d3d.out() = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d.get(), nullptr);
        D3DDISPLAYMODE mode;
        ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
        D3DPRESENT_PARAMETERS p = windowedParameters(mode.Format, width, height);
        p.Flags = presentFlags;
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, device.out()),
                  D3D_OK);
    }
    void SetUp() override { createDevice(0, 64, 64); }
    void TearDown() override {
        device.reset();
        d3d.reset();
    }

    // The reference count of an object, read by adding and releasing one.
    template <class T> static ULONG refCount(T* object) {
        object->AddRef();
        return object->Release();
    }

    Ref<IDirect3D8> d3d;
    Ref<IDirect3DDevice8> device;
};

} // namespace d3d8_test
