// Shared by the sprite and text tests: a headless software device with a chosen capability
// profile, textures filled in code, a snapshot of the device's drawing state and the presented
// frame.
#pragma once

#include "sprite/device_holders.h"

#include "d3d8.h"
#include "platform_ext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace sprite_test {

// Everything a caller could notice of the device's drawing state.
struct DeviceStateSnapshot {
    std::map<DWORD, DWORD> renderStates;
    std::map<DWORD, DWORD> stageStates; // stage * 256 + type
    std::vector<float> transforms;      // view, projection, world, each 16 floats
    IDirect3DBaseTexture8* texture0 = nullptr;
    DWORD vertexShader = 0;

    bool operator==(const DeviceStateSnapshot&) const = default;
};

inline D3DMATRIX identityMatrix() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof(m));
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

class DeviceFixture : public ::testing::Test {
protected:
    void createDevice(uint32_t profile, UINT width = 640, UINT height = 480) {
        platform_ext::setDeviceProfile(profile);
        device.reset();
        const HRESULT created = platform_ext::createHeadlessDevice(width, height, device.out());
        platform_ext::resetDeviceProfile();
        ASSERT_EQ(created, D3D_OK);
    }

    // A managed texture whose texel (x, y) is texel(x, y), written as 32-bit words.
    ComRef<IDirect3DTexture8> makeTexture(UINT width, UINT height, D3DFORMAT format,
                                          const std::function<uint32_t(UINT, UINT)>& texel) {
        ComRef<IDirect3DTexture8> texture;
        EXPECT_EQ(
            device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, texture.out()),
            D3D_OK);
        if (!texture)
            return texture;
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) {
                const uint32_t value = texel(x, y);
                std::memcpy(static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch + 4 * x,
                            &value, 4);
            }
        texture->UnlockRect(0);
        return texture;
    }

    // Fills the back buffer with one colour through Clear.
    void clear(D3DCOLOR color) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 0.0f, 0), D3D_OK);
    }

    // Presents the back buffer and returns it as 0xFFRRGGBB words.
    platform_ext::PresentedFrame present() {
        platform_ext::PresentedFrame frame;
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
        return frame;
    }

    DeviceStateSnapshot snapshot() {
        DeviceStateSnapshot s;
        for (DWORD state = 0; state < 256; ++state) {
            DWORD value;
            if (device->GetRenderState(D3DRENDERSTATETYPE(state), &value) == D3D_OK)
                s.renderStates[state] = value;
        }
        for (DWORD stage = 0; stage < 8; ++stage)
            for (DWORD type = 0; type < 32; ++type) {
                DWORD value;
                if (device->GetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type), &value) ==
                    D3D_OK)
                    s.stageStates[stage * 256 + type] = value;
            }
        for (D3DTRANSFORMSTATETYPE t : {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_WORLD}) {
            D3DMATRIX m;
            EXPECT_EQ(device->GetTransform(t, &m), D3D_OK);
            s.transforms.insert(s.transforms.end(), &m._11, &m._11 + 16);
        }
        EXPECT_EQ(device->GetTexture(0, &s.texture0), D3D_OK);
        if (s.texture0 != nullptr)
            s.texture0->Release(); // only its identity is compared
        device->GetVertexShader(&s.vertexShader);
        return s;
    }

    DWORD renderState(D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK);
        return value;
    }

    DWORD stageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetTextureStageState(stage, type, &value), D3D_OK);
        return value;
    }

    template <class T> static ULONG refCount(T* object) {
        object->AddRef();
        return object->Release();
    }

    ComRef<IDirect3DDevice8> device;
};

} // namespace sprite_test
