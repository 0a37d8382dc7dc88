// Creation of textures, cube and volume textures and image surfaces: pools, usages, formats,
// sizes and level counts, per profile, with the real bytes per format.
#include "d3d8_test_support.h"

using namespace d3d8_test;

namespace {

class ResourceTest : public DeviceTest {
protected:
    HRESULT texture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
        created.reset();
        return device->CreateTexture(w, h, levels, usage, format, pool, created.out());
    }
    Ref<IDirect3DTexture8> created;
};

} // namespace

TEST_F(ResourceTest, TexturesInEveryPoolDescribeTheirLevels) {
    const D3DPOOL pools[] = {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH};
    for (D3DPOOL pool : pools) {
        ASSERT_EQ(texture(640, 480, 0, 0, D3DFMT_A8R8G8B8, pool), D3D_OK) << pool;
        EXPECT_EQ(created->GetLevelCount(), 10u);
        EXPECT_EQ(created->GetType(), D3DRTYPE_TEXTURE);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(created->GetLevelDesc(3, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 80u);
        EXPECT_EQ(desc.Height, 60u);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Pool, pool);
        EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
        EXPECT_EQ(desc.Usage, 0u);
        EXPECT_EQ(desc.Size, 80u * 60u * 4u);
        ASSERT_EQ(created->GetLevelDesc(9, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 1u);
        EXPECT_EQ(desc.Height, 1u);
        EXPECT_EQ(created->GetLevelDesc(10, &desc), D3DERR_INVALIDCALL);
    }
    ASSERT_EQ(texture(16, 16, 3, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 3u);
}

TEST_F(ResourceTest, BadRequestsAreRefusedAndLeaveTheOutputAlone) {
    struct Case {
        UINT w, h, levels;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
        HRESULT expected;
    };
    const Case cases[] = {
        {0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {16, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL(4), D3DERR_INVALIDCALL},
        {16, 16, 1, D3DUSAGE_WRITEONLY, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DERR_NOTAVAILABLE},
        {16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, D3DERR_INVALIDCALL},
        {16, 16, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, D3DERR_NOTAVAILABLE},
        {16, 16, 1, 0, D3DFMT_R8G8B8, D3DPOOL_SYSTEMMEM, D3DERR_NOTAVAILABLE},
        {16, 16, 1, 0, D3DFMT_D16, D3DPOOL_SCRATCH, D3DERR_NOTAVAILABLE},
        {16, 16, 1, 0, D3DFORMAT(12345), D3DPOOL_MANAGED, D3DERR_NOTAVAILABLE},
        {30, 18, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
        {4097, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DERR_INVALIDCALL},
    };
    for (const Case& c : cases) {
        IDirect3DTexture8* out = reinterpret_cast<IDirect3DTexture8*>(0x1234);
        EXPECT_EQ(device->CreateTexture(c.w, c.h, c.levels, c.usage, c.format, c.pool, &out),
                  c.expected)
            << c.w << "x" << c.h << " levels " << c.levels << " usage " << c.usage << " format "
            << c.format << " pool " << c.pool;
        EXPECT_EQ(out, reinterpret_cast<IDirect3DTexture8*>(0x1234));
    }
    EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, ScratchPoolIgnoresTheCapsButNotTheStorage) {
    createDevice(platform_ext::ProfilePow2 | platform_ext::ProfileNoMip |
                     platform_ext::ProfileFewFormats,
                 64, 64);
    EXPECT_EQ(texture(640, 480, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture(640, 480, 0, 0, D3DFMT_R8G8B8, D3DPOOL_SCRATCH), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 10u);
    EXPECT_EQ(texture(16, 16, 0, 0, D3DFMT_V8U8, D3DPOOL_SCRATCH), D3D_OK);
    EXPECT_EQ(texture(16, 16, 0, 0, D3DFMT_P8, D3DPOOL_SCRATCH), D3D_OK);
    EXPECT_EQ(texture(30, 18, 1, 0, D3DFMT_DXT1, D3DPOOL_SCRATCH), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, ProfilesRuleSizesAndLevels) {
    using namespace platform_ext;
    createDevice(ProfilePow2, 64, 64);
    EXPECT_EQ(texture(640, 480, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(1024, 512, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 11u);

    createDevice(ProfileSquare, 64, 64);
    EXPECT_EQ(texture(64, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(48, 48, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);

    createDevice(ProfileSmall, 64, 64);
    EXPECT_EQ(texture(257, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);

    createDevice(ProfileNoMip, 64, 64);
    ASSERT_EQ(texture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 1u);
    EXPECT_EQ(texture(64, 64, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);

    createDevice(ProfilePow2Cond, 64, 64);
    ASSERT_EQ(texture(640, 480, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 1u);
    EXPECT_EQ(texture(640, 480, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture(512, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 10u);

    createDevice(ProfilePow2 | ProfilePow2Cond, 64, 64);
    ASSERT_EQ(texture(640, 480, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
    EXPECT_EQ(created->GetLevelCount(), 1u);

    createDevice(ProfileNoDynamic, 64, 64);
    EXPECT_EQ(texture(64, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT),
              D3DERR_INVALIDCALL);

    createDevice(ProfileFewFormats, 64, 64);
    EXPECT_EQ(texture(64, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(texture(64, 16, 1, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED), D3D_OK);
}

// The locked memory of a level holds the format's real bytes: a row of pixels, pixel pairs or
// 4x4 blocks, rows starting on 4-byte boundaries.
TEST_F(ResourceTest, LevelsHoldTheRealBytesOfTheirFormat) {
    struct Case {
        D3DFORMAT format;
        UINT width, height;
        INT pitch;
        UINT size;
    };
    const Case cases[] = {
        {D3DFMT_A8R8G8B8, 5, 3, 20, 60}, {D3DFMT_R5G6B5, 3, 2, 8, 16},
        {D3DFMT_A8, 5, 1, 8, 8},         {D3DFMT_L8, 4, 4, 4, 16},
        {D3DFMT_A8L8, 3, 3, 8, 24},      {D3DFMT_A2B10G10R10, 2, 2, 8, 16},
        {D3DFMT_UYVY, 5, 2, 12, 24},     {D3DFMT_YUY2, 4, 1, 8, 8},
        {D3DFMT_DXT1, 8, 8, 16, 32},     {D3DFMT_DXT3, 8, 12, 32, 96},
        {D3DFMT_DXT5, 4, 4, 16, 16},     {D3DFMT_R8G8B8, 3, 2, 12, 24},
        {D3DFMT_P8, 3, 2, 4, 8},         {D3DFMT_Q8W8V8U8, 2, 2, 8, 16},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(texture(c.width, c.height, 1, 0, c.format, D3DPOOL_SCRATCH), D3D_OK) << c.format;
        D3DSURFACE_DESC desc;
        ASSERT_EQ(created->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Size, c.size) << c.format;
        D3DLOCKED_RECT locked;
        ASSERT_EQ(created->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(locked.Pitch, c.pitch) << c.format;
        std::memset(locked.pBits, 0x5A, c.size); // the whole level is writable
        EXPECT_EQ(created->UnlockRect(0), D3D_OK);
    }
}

TEST_F(ResourceTest, CubeAndVolumeTextures) {
    Ref<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(device->CreateCubeTexture(32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, cube.out()),
              D3D_OK);
    EXPECT_EQ(cube->GetLevelCount(), 6u);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    Ref<IDirect3DSurface8> face;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 2, face.out()), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(face->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(6), 0, face.out()), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_X, 6, face.out()),
              D3DERR_INVALIDCALL);

    Ref<IDirect3DVolumeTexture8> volume;
    ASSERT_EQ(
        device->CreateVolumeTexture(16, 8, 4, 0, 0, D3DFMT_DXT1, D3DPOOL_SYSTEMMEM, volume.out()),
        D3D_OK);
    EXPECT_EQ(volume->GetLevelCount(), 5u);
    D3DVOLUME_DESC vdesc;
    ASSERT_EQ(volume->GetLevelDesc(1, &vdesc), D3D_OK);
    EXPECT_EQ(vdesc.Width, 8u);
    EXPECT_EQ(vdesc.Height, 4u);
    EXPECT_EQ(vdesc.Depth, 2u);
    EXPECT_EQ(vdesc.Type, D3DRTYPE_VOLUME);
    EXPECT_EQ(vdesc.Size, 2u * 2u * 8u); // two slices of one row of two 8-byte DXT1 blocks
    EXPECT_EQ(device->CreateVolumeTexture(257, 8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                          volume.out()),
              D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, ImageSurfacesHoldAnyStoredFormat) {
    Ref<IDirect3DSurface8> surface;
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_P8, D3DFMT_V16U16, D3DFMT_R8G8B8,
                             D3DFMT_D16_LOCKABLE, D3DFMT_DXT2}) {
        ASSERT_EQ(device->CreateImageSurface(8, 4, format, surface.out()), D3D_OK) << format;
        D3DSURFACE_DESC desc;
        ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
        EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
        EXPECT_EQ(desc.Format, format);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(surface->UnlockRect(), D3D_OK);
    }
    EXPECT_EQ(device->CreateImageSurface(6, 4, D3DFMT_DXT1, surface.out()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateImageSurface(0, 4, D3DFMT_A8R8G8B8, surface.out()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_D24S8, surface.out()), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, nullptr), D3DERR_INVALIDCALL);
}
