// The Direct3D object: creation by version and profile, profile names, capabilities per
// profile, format checks and device creation rules.
#include "d3d8_test_support.h"

#include "platform/internal/window_bridge.h"

#include <cstdlib>
#include <string>

using namespace d3d8_test;
using platform_ext::parseDeviceProfile;

namespace {

D3DCAPS8 capsOf(uint32_t profile) {
    ProfileScope scope(profile);
    Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
    D3DCAPS8 caps;
    std::memset(&caps, 0xCD, sizeof(caps));
    EXPECT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    return caps;
}

HRESULT checkFormat(IDirect3D8* d3d, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    return d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, type,
                                  format);
}

} // namespace

TEST(Direct3DCreate8Test, AcceptsOnlyTheSdkVersion) {
    EXPECT_EQ(Direct3DCreate8(219), nullptr);
    EXPECT_EQ(Direct3DCreate8(221), nullptr);
    Ref<IDirect3D8> d3d(Direct3DCreate8(220));
    ASSERT_NE(d3d.get(), nullptr);
    EXPECT_EQ(d3d->GetAdapterCount(), 1u);
}

TEST(Direct3DCreate8Test, UnknownProfileInEnvironmentIsReportedByName) {
    ASSERT_EQ(setenv("D3D8_PROFILE", "pow2,bogus", 1), 0);
    testing::internal::CaptureStderr();
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d3d, nullptr);
    EXPECT_NE(said.find("\"bogus\""), std::string::npos) << said;

    ASSERT_EQ(setenv("D3D8_PROFILE", "desktop16", 1), 0);
    Ref<IDirect3D8> sixteen(Direct3DCreate8(D3D_SDK_VERSION));
    ASSERT_NE(sixteen.get(), nullptr);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(sixteen->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    unsetenv("D3D8_PROFILE");
}

TEST(Direct3DCreate8Test, ExplicitProfileWinsOverEnvironment) {
    ASSERT_EQ(setenv("D3D8_PROFILE", "bogus", 1), 0);
    {
        ProfileScope scope(platform_ext::ProfileDesktop16);
        Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
        ASSERT_NE(d3d.get(), nullptr);
        D3DDISPLAYMODE mode;
        ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
        EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    }
    unsetenv("D3D8_PROFILE");
    Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
}

TEST(ParseDeviceProfileTest, NamesJoinedByCommas) {
    uint32_t flags = 77;
    EXPECT_TRUE(parseDeviceProfile("", &flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_TRUE(parseDeviceProfile("default", &flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_TRUE(parseDeviceProfile("pow2,nomip", &flags));
    EXPECT_EQ(flags, uint32_t(platform_ext::ProfilePow2 | platform_ext::ProfileNoMip));
    EXPECT_TRUE(parseDeviceProfile(" small , fewformats,desktop16", &flags));
    EXPECT_EQ(flags, uint32_t(platform_ext::ProfileSmall | platform_ext::ProfileFewFormats |
                              platform_ext::ProfileDesktop16));

    std::string unknown;
    flags = 77;
    EXPECT_FALSE(parseDeviceProfile("pow2,pow3", &flags, &unknown));
    EXPECT_EQ(unknown, "pow3");
    EXPECT_EQ(flags, 77u) << "a refused list leaves the flags alone";
    EXPECT_FALSE(parseDeviceProfile("Pow2", &flags, &unknown));
    EXPECT_EQ(unknown, "Pow2");
}

TEST(DeviceCapsTest, DefaultProfileDescribesACapableCard) {
    const D3DCAPS8 caps = capsOf(0);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
    EXPECT_EQ(caps.MaxTextureWidth, 4096u);
    EXPECT_EQ(caps.MaxTextureHeight, 4096u);
    EXPECT_TRUE(caps.MaxTextureAspectRatio == 0 || caps.MaxTextureAspectRatio >= 4096u);
    EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_CLIPTLVERTS);
    EXPECT_TRUE(caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA);
    EXPECT_TRUE(caps.DestBlendCaps & D3DPBLENDCAPS_INVSRCALPHA);
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES);
}

// Each profile changes exactly its own capabilities and leaves every other byte as it is.
TEST(DeviceCapsTest, EachProfileFlipsOnlyItsOwnCaps) {
    using namespace platform_ext;
    const D3DCAPS8 base = capsOf(0);
    struct Case {
        uint32_t profile;
        void (*change)(D3DCAPS8&);
    };
    const Case cases[] = {
        {ProfilePow2, [](D3DCAPS8& c) { c.TextureCaps |= D3DPTEXTURECAPS_POW2; }},
        {ProfileSquare, [](D3DCAPS8& c) { c.TextureCaps |= D3DPTEXTURECAPS_SQUAREONLY; }},
        {ProfileNoMip, [](D3DCAPS8& c) { c.TextureCaps &= ~DWORD(D3DPTEXTURECAPS_MIPMAP); }},
        {ProfilePow2Cond, [](D3DCAPS8& c) { c.TextureCaps |= D3DPTEXTURECAPS_NONPOW2CONDITIONAL; }},
        {ProfileSmall, [](D3DCAPS8& c) { c.MaxTextureWidth = c.MaxTextureHeight = 256; }},
        {ProfileNoBlend,
         [](D3DCAPS8& c) {
             c.SrcBlendCaps &= ~DWORD(D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA);
             c.DestBlendCaps &= ~DWORD(D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA);
         }},
        {ProfileUntransformed,
         [](D3DCAPS8& c) { c.PrimitiveMiscCaps &= ~DWORD(D3DPMISCCAPS_CLIPTLVERTS); }},
        {ProfileNoDynamic, [](D3DCAPS8& c) { c.Caps2 &= ~DWORD(D3DCAPS2_DYNAMICTEXTURES); }},
        {ProfileFewFormats, [](D3DCAPS8&) {}},
        {ProfileDesktop16, [](D3DCAPS8&) {}},
    };
    for (const Case& c : cases) {
        D3DCAPS8 expected = base;
        c.change(expected);
        const D3DCAPS8 actual = capsOf(c.profile);
        EXPECT_EQ(std::memcmp(&expected, &actual, sizeof(D3DCAPS8)), 0)
            << "profile flag 0x" << std::hex << c.profile;
    }
}

TEST(CheckDeviceFormatTest, TexturesOfEveryFormatTheRasteriserSamples) {
    Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
    const D3DFORMAT sampled[] = {
        D3DFMT_A8R8G8B8,    D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
        D3DFMT_A4R4G4B4,    D3DFMT_R3G3B2,   D3DFMT_A8,     D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4,
        D3DFMT_A2B10G10R10, D3DFMT_G16R16,   D3DFMT_L8,     D3DFMT_A8L8,     D3DFMT_A4L4,
        D3DFMT_UYVY,        D3DFMT_YUY2,     D3DFMT_DXT1,   D3DFMT_DXT2,     D3DFMT_DXT3,
        D3DFMT_DXT4,        D3DFMT_DXT5};
    for (D3DFORMAT format : sampled) {
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_TEXTURE, format), D3D_OK) << format;
        EXPECT_EQ(checkFormat(d3d.get(), D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, format), D3D_OK);
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_CUBETEXTURE, format), D3D_OK);
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_VOLUMETEXTURE, format), D3D_OK);
        EXPECT_EQ(checkFormat(d3d.get(), D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, format),
                  D3DERR_NOTAVAILABLE);
    }
    const D3DFORMAT notSampled[] = {
        D3DFMT_R8G8B8,   D3DFMT_P8,  D3DFMT_A8P8,  D3DFMT_V8U8,
        D3DFMT_Q8W8V8U8, D3DFMT_D16, D3DFMT_D24S8, D3DFORMAT(MAKEFOURCC(' ', 'L', '1', '6'))};
    for (D3DFORMAT format : notSampled)
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_TEXTURE, format), D3DERR_NOTAVAILABLE)
            << format;
    // Plain surfaces may hold the stored formats that textures may not.
    EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_SURFACE, D3DFMT_V8U8), D3D_OK);
    EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_SURFACE, D3DFMT_R8G8B8), D3D_OK);
    EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_SURFACE, D3DFMT_D24S8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_VERTEXBUFFER, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
}

TEST(CheckDeviceFormatTest, ProfilesNarrowTheAnswer) {
    ProfileScope scope(platform_ext::ProfileFewFormats | platform_ext::ProfileNoDynamic);
    Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
    const D3DFORMAT few[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,
                             D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8};
    for (D3DFORMAT format : few)
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_TEXTURE, format), D3D_OK) << format;
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_A8, D3DFMT_A8L8, D3DFMT_DXT1})
        EXPECT_EQ(checkFormat(d3d.get(), 0, D3DRTYPE_TEXTURE, format), D3DERR_NOTAVAILABLE)
            << format;
    EXPECT_EQ(checkFormat(d3d.get(), D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8),
              D3DERR_NOTAVAILABLE);
}

TEST(CheckDeviceFormatTest, RefusesOtherAdaptersAndDevices) {
    Ref<IDirect3D8> d3d(Direct3DCreate8(D3D_SDK_VERSION));
    EXPECT_EQ(d3d->CheckDeviceFormat(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
}

class CreateDeviceTest : public ::testing::Test {
protected:
    HRESULT create(D3DPRESENT_PARAMETERS p, HWND window = nullptr,
                   DWORD behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING) {
        device.reset();
        parameters = p;
        return d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour, &parameters,
                                 device.out());
    }
    Ref<IDirect3D8> d3d{Direct3DCreate8(D3D_SDK_VERSION)};
    Ref<IDirect3DDevice8> device;
    D3DPRESENT_PARAMETERS parameters;
};

TEST_F(CreateDeviceTest, ExplicitSizeWorksWithoutAWindow) {
    ASSERT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 320, 200)), D3D_OK);
    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 320u);
    EXPECT_EQ(desc.Height, 200u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    D3DVIEWPORT8 viewport;
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 320u);
    EXPECT_EQ(viewport.Height, 200u);
}

TEST_F(CreateDeviceTest, ZeroSizeNeedsAWindowTheBridgeKnows) {
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 0, 0)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.get(), nullptr);

    static int windowObject;
    const HWND known = reinterpret_cast<HWND>(&windowObject);
    static const platform_internal::WindowBridge bridge = {
        [](HWND window, UINT* width, UINT* height) {
            if (window != reinterpret_cast<HWND>(&windowObject))
                return false;
            *width = 640;
            *height = 480;
            return true;
        },
        [](HWND, const platform_ext::FrameView&) {}};
    platform_internal::setWindowBridge(&bridge);
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 0, 0), known), D3D_OK);
    EXPECT_EQ(parameters.BackBufferWidth, 640u);
    EXPECT_EQ(parameters.BackBufferHeight, 480u);
    EXPECT_EQ(parameters.BackBufferCount, 1u);
    int other;
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 0, 0), reinterpret_cast<HWND>(&other)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 0, 0), nullptr), D3DERR_INVALIDCALL);
    platform_internal::setWindowBridge(nullptr);
}

TEST_F(CreateDeviceTest, RefusesWhatTheDeviceCannotDo) {
    D3DPRESENT_PARAMETERS p = windowedParameters(D3DFMT_X8R8G8B8, 64, 64);
    p.Windowed = FALSE;
    EXPECT_EQ(create(p), D3DERR_INVALIDCALL);
    EXPECT_EQ(create(windowedParameters(D3DFMT_R5G6B5, 64, 64)), D3DERR_INVALIDCALL);
    p = windowedParameters(D3DFMT_X8R8G8B8, 64, 64);
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(create(p), D3DERR_NOTAVAILABLE);
    p = windowedParameters(D3DFMT_X8R8G8B8, 64, 64);
    p.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    EXPECT_EQ(create(p), D3DERR_INVALIDCALL);
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 64, 64), nullptr,
                     D3DCREATE_HARDWARE_VERTEXPROCESSING),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(create(windowedParameters(D3DFMT_X8R8G8B8, 64, 64), nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.get(), nullptr);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                nullptr, device.out()),
              D3DERR_INVALIDCALL);
}

TEST_F(CreateDeviceTest, SixteenBitDesktopGivesSixteenBitBackBuffer) {
    ProfileScope scope(platform_ext::ProfileDesktop16);
    Ref<IDirect3D8> sixteen(Direct3DCreate8(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS p = windowedParameters(D3DFMT_R5G6B5, 32, 16);
    ASSERT_EQ(sixteen->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &p, device.out()),
              D3D_OK);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(device->GetDisplayMode(&mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    D3DDEVICE_CREATION_PARAMETERS creation;
    ASSERT_EQ(device->GetCreationParameters(&creation), D3D_OK);
    EXPECT_EQ(creation.BehaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_HAL);
}
