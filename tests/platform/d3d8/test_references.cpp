// Reference counting as Direct3D 8 does it, interface queries and containers.
#include "d3d8_test_support.h"

using namespace d3d8_test;

namespace {

using ReferenceTest = DeviceTest;

template <class T> void* queried(IUnknown* object, REFIID riid, HRESULT expected) {
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(object->QueryInterface(riid, &out), expected);
    if (SUCCEEDED(expected))
        static_cast<T*>(out)->Release();
    else
        EXPECT_EQ(out, nullptr);
    return out;
}

} // namespace

TEST_F(ReferenceTest, SurfacesCountOnTheirTexture) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    EXPECT_EQ(refCount(texture.get()), 1u);
    IDirect3DSurface8* level1 = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &level1), D3D_OK);
    EXPECT_EQ(refCount(texture.get()), 2u);
    EXPECT_EQ(level1->AddRef(), 3u);
    EXPECT_EQ(level1->Release(), 2u);
    // The texture lives on through its surface alone.
    IDirect3DTexture8* raw = texture.detach();
    EXPECT_EQ(raw->Release(), 1u);
    D3DSURFACE_DESC desc;
    EXPECT_EQ(level1->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(level1->Release(), 0u);
}

TEST_F(ReferenceTest, ResourcesHoldTheDevice) {
    const ULONG alone = refCount(device.get());
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> image;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, image.out()), D3D_OK);
    EXPECT_EQ(refCount(device.get()), alone + 2);

    // Releasing the application's reference leaves the device alive for its resources.
    IDirect3DDevice8* raw = device.detach();
    EXPECT_EQ(raw->Release(), 2u);
    Ref<IDirect3DDevice8> again;
    ASSERT_EQ(texture->GetDevice(again.out()), D3D_OK);
    EXPECT_EQ(again.get(), raw);
    again.reset();
    image.reset();
    texture.reset(); // the last reference: the device goes with it (the leak checker sees it)
}

TEST_F(ReferenceTest, BoundTexturesStayAliveWithoutHoldingTheDevice) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    const ULONG withTexture = refCount(device.get());
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(refCount(device.get()), withTexture) << "a binding adds no device reference";
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(refCount(device.get()), withTexture - 1);

    IDirect3DBaseTexture8* bound = nullptr;
    ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, static_cast<IDirect3DBaseTexture8*>(texture));
    EXPECT_EQ(bound->GetLevelCount(), 1u);
    EXPECT_EQ(refCount(device.get()), withTexture);
    EXPECT_EQ(bound->Release(), 0u);

    // Unbinding frees it; so would the device's own end, which the next test relies on.
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, nullptr);
}

TEST_F(ReferenceTest, ReleasingTheDeviceFreesTexturesOnlyItHolds) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    ASSERT_EQ(device->SetTexture(3, texture), D3D_OK);
    DWORD block = 0;
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(device->SetTexture(1, texture), D3D_OK);
    ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(device.detach()->Release(), 0u);
}

TEST_F(ReferenceTest, ContainersOfSurfaces) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> level;
    ASSERT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
    for (const IID* iid : {&IID_IDirect3DTexture8, &IID_IDirect3DBaseTexture8,
                           &IID_IDirect3DResource8, &IID_IUnknown}) {
        void* container = nullptr;
        ASSERT_EQ(level->GetContainer(*iid, &container), S_OK);
        EXPECT_EQ(static_cast<IUnknown*>(container), static_cast<IUnknown*>(texture.get()));
        static_cast<IUnknown*>(container)->Release();
    }
    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(level->GetContainer(IID_IDirect3DCubeTexture8, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(level->GetContainer(IID_IDirect3DTexture8, nullptr), D3DERR_INVALIDCALL);

    Ref<IDirect3DSurface8> image;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, image.out()), D3D_OK);
    void* owner = nullptr;
    ASSERT_EQ(image->GetContainer(IID_IDirect3DDevice8, &owner), S_OK);
    EXPECT_EQ(owner, static_cast<void*>(device.get()));
    device->Release();
    for (const IID* iid : {&IID_IDirect3DTexture8, &IID_IDirect3DBaseTexture8}) {
        none = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(image->GetContainer(*iid, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
    }

    Ref<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, cube.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> face;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_Y, 0, face.out()), D3D_OK);
    ASSERT_EQ(face->GetContainer(IID_IDirect3DCubeTexture8, &owner), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(owner), static_cast<IUnknown*>(cube.get()));
    cube->Release();
    EXPECT_EQ(face->GetContainer(IID_IDirect3DTexture8, &none), E_NOINTERFACE);

    Ref<IDirect3DVolumeTexture8> volumeTexture;
    ASSERT_EQ(
        device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, volumeTexture.out()),
        D3D_OK);
    Ref<IDirect3DVolume8> volume;
    ASSERT_EQ(volumeTexture->GetVolumeLevel(0, volume.out()), D3D_OK);
    ASSERT_EQ(volume->GetContainer(IID_IDirect3DVolumeTexture8, &owner), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(owner), static_cast<IUnknown*>(volumeTexture.get()));
    volumeTexture->Release();

    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    ASSERT_EQ(back->GetContainer(IID_IDirect3DDevice8, &owner), S_OK);
    EXPECT_EQ(owner, static_cast<void*>(device.get()));
    device->Release();
    EXPECT_EQ(back->GetContainer(IID_IDirect3DTexture8, &none), E_NOINTERFACE);
}

TEST_F(ReferenceTest, QueryInterfaceAnswersEachObjectsOwnIdentifiers) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    IUnknown* t = texture.get();
    EXPECT_EQ(queried<IUnknown>(t, IID_IDirect3DTexture8, S_OK), t);
    EXPECT_EQ(queried<IUnknown>(t, IID_IDirect3DBaseTexture8, S_OK), t);
    EXPECT_EQ(queried<IUnknown>(t, IID_IDirect3DResource8, S_OK), t);
    queried<IUnknown>(t, IID_IDirect3DVolumeTexture8, E_NOINTERFACE);
    queried<IUnknown>(t, IID_IDirect3DSurface8, E_NOINTERFACE);
    EXPECT_EQ(refCount(texture.get()), 1u);

    IUnknown* d = device.get();
    EXPECT_EQ(queried<IUnknown>(d, IID_IDirect3DDevice8, S_OK), d);
    queried<IUnknown>(d, IID_IDirect3D8, E_NOINTERFACE);
    IUnknown* o = d3d.get();
    EXPECT_EQ(queried<IUnknown>(o, IID_IDirect3D8, S_OK), o);

    Ref<IDirect3D8> parent;
    ASSERT_EQ(device->GetDirect3D(parent.out()), D3D_OK);
    EXPECT_EQ(parent.get(), d3d.get());
}

TEST_F(ReferenceTest, BackBufferCountsOnTheDevice) {
    const ULONG before = refCount(device.get());
    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    EXPECT_EQ(refCount(device.get()), before + 1);
    Ref<IDirect3DSurface8> target;
    ASSERT_EQ(device->GetRenderTarget(target.out()), D3D_OK);
    EXPECT_EQ(target.get(), back.get());
    EXPECT_EQ(device->GetBackBuffer(1, D3DBACKBUFFER_TYPE_MONO, target.out()), D3DERR_INVALIDCALL);
    Ref<IDirect3DSurface8> depth;
    EXPECT_EQ(device->GetDepthStencilSurface(depth.out()), D3DERR_NOTFOUND);
    EXPECT_EQ(depth.get(), nullptr);
}
