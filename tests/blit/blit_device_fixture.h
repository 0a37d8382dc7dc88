// A headless software device for the blit tests, created with a capability profile.
#pragma once

#include "blit/com_ref.h"
#include "d3d8.h"
#include "platform_ext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

class BlitDeviceTest : public ::testing::Test {
protected:
    void createDevice(uint32_t profile) {
        platform_ext::setDeviceProfile(profile);
        device.reset();
        const HRESULT created = platform_ext::createHeadlessDevice(64, 64, device.out());
        platform_ext::resetDeviceProfile();
        ASSERT_EQ(created, D3D_OK);
    }
    void SetUp() override { createDevice(0); }

    ComRef<IDirect3DSurface8> imageSurface(UINT width, UINT height, D3DFORMAT format) {
        ComRef<IDirect3DSurface8> surface;
        EXPECT_EQ(device->CreateImageSurface(width, height, format, surface.out()), D3D_OK);
        return surface;
    }

    // The rows of a surface, `bytes` per pixel, read through a read-only lock.
    static std::vector<uint8_t> contents(IDirect3DSurface8* surface, UINT bytes) {
        D3DSURFACE_DESC desc = {};
        surface->GetDesc(&desc);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint8_t> out(size_t(desc.Width) * desc.Height * bytes);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(out.data() + size_t(y) * desc.Width * bytes,
                        static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        size_t(desc.Width) * bytes);
        surface->UnlockRect();
        return out;
    }

    static void fill(IDirect3DSurface8* surface, UINT bytes, const std::vector<uint8_t>& rows) {
        D3DSURFACE_DESC desc = {};
        surface->GetDesc(&desc);
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        rows.data() + size_t(y) * desc.Width * bytes, size_t(desc.Width) * bytes);
        surface->UnlockRect();
    }

    ComRef<IDirect3DDevice8> device;
};
