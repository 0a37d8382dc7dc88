// The sprite batch as a component object and as a keeper of the caller's device state:
// creation, references, interfaces, the state of begin on each kind of device, the world
// matrix, what end and a lone draw put back, and the calls that are refused.
#include "sprite/sprite_batch.h"

#include "tests/sprite/device_fixture.h"

#include <gtest/gtest.h>

namespace {

using sprite_test::DeviceFixture;
using sprite_test::identityMatrix;

class SpriteBatchTest : public DeviceFixture {
protected:
    void create(uint32_t profile, UINT width = 640, UINT height = 480) {
        createDevice(profile, width, height);
        ASSERT_EQ(createSpriteBatch(device.get(), batch.out()), S_OK);
    }
    void TearDown() override { batch.reset(); }

    ComRef<SpriteBatch> batch;
};

TEST_F(SpriteBatchTest, CreationRefusesNullArgumentsAndHoldsOneDeviceReference) {
    createDevice(0);
    SpriteBatch* out = reinterpret_cast<SpriteBatch*>(0x1);
    EXPECT_EQ(createSpriteBatch(nullptr, &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(out, reinterpret_cast<SpriteBatch*>(0x1));
    EXPECT_EQ(createSpriteBatch(device.get(), nullptr), D3DERR_INVALIDCALL);

    const ULONG before = refCount(device.get());
    ASSERT_EQ(createSpriteBatch(device.get(), batch.out()), S_OK);
    EXPECT_EQ(refCount(device.get()), before + 1);
    EXPECT_EQ(batch->addRef(), 2u);
    EXPECT_EQ(batch->release(), 1u);
    EXPECT_EQ(batch.detach()->release(), 0u);
    EXPECT_EQ(refCount(device.get()), before);
}

TEST_F(SpriteBatchTest, AnswersItsTwoInterfacesAndGivesItsDevice) {
    create(0);
    void* out = nullptr;
    EXPECT_EQ(batch->queryInterface(IID_SpriteBatch, &out), S_OK);
    EXPECT_EQ(out, batch.get());
    EXPECT_EQ(batch->release(), 1u);
    out = nullptr;
    EXPECT_EQ(batch->queryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, batch.get());
    EXPECT_EQ(batch->release(), 1u);
    out = nullptr;
    EXPECT_EQ(batch->queryInterface(IID_IDirect3DDevice8, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(batch->queryInterface(IID_SpriteBatch, nullptr), D3DERR_INVALIDCALL);

    const ULONG before = refCount(device.get());
    IDirect3DDevice8* got = nullptr;
    EXPECT_EQ(batch->getDevice(&got), S_OK);
    EXPECT_EQ(got, device.get());
    EXPECT_EQ(refCount(device.get()), before + 1);
    got->Release();
    EXPECT_EQ(batch->getDevice(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(SpriteBatchTest, BeginAndEndOutOfOrderFailAndChangeNothing) {
    create(0);
    EXPECT_EQ(batch->end(), E_FAIL);
    ASSERT_EQ(batch->begin(), S_OK);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    const sprite_test::DeviceStateSnapshot inside = snapshot();
    EXPECT_EQ(batch->begin(), E_FAIL);
    EXPECT_EQ(snapshot(), inside);
    EXPECT_EQ(batch->end(), S_OK);
    EXPECT_EQ(batch->end(), E_FAIL);
}

TEST_F(SpriteBatchTest, BeginOnAPretransformedDeviceSetsTheSpriteStateAndLeavesTransforms) {
    create(0);
    D3DMATRIX world = identityMatrix();
    world._41 = 7.0f;
    device->SetTransform(D3DTS_WORLD, &world);
    ASSERT_EQ(batch->begin(), S_OK);

    DWORD fvf = 0;
    device->GetVertexShader(&fvf);
    EXPECT_EQ(fvf, 0x144u);
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
    EXPECT_EQ(renderState(D3DRS_PATCHSEGMENTS), 1u);
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(renderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(renderState(D3DRS_LIGHTING), DWORD(TRUE)); // untouched for transformed vertices
    EXPECT_EQ(stageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(stageState(0, D3DTSS_ALPHAARG2), DWORD(D3DTA_DIFFUSE));
    EXPECT_EQ(stageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(stageState(0, D3DTSS_MINFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(stageState(0, D3DTSS_ADDRESSV), DWORD(D3DTADDRESS_CLAMP));
    D3DMATRIX got;
    device->GetTransform(D3DTS_WORLD, &got);
    EXPECT_EQ(got._41, 7.0f);
    EXPECT_EQ(batch->end(), S_OK);
}

TEST_F(SpriteBatchTest, BeginOnAnUntransformedDeviceSetsThePixelToClipWorldMatrix) {
    create(platform_ext::ProfileUntransformed);
    ASSERT_EQ(batch->begin(), S_OK);
    DWORD fvf = 0;
    device->GetVertexShader(&fvf);
    EXPECT_EQ(fvf, 0x142u);
    EXPECT_EQ(renderState(D3DRS_LIGHTING), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_DIFFUSEMATERIALSOURCE), DWORD(D3DMCS_COLOR1));

    D3DMATRIX world, view, projection;
    device->GetTransform(D3DTS_WORLD, &world);
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DMATRIX expected;
    std::memset(&expected, 0, sizeof(expected));
    expected._11 = 0.003125f;
    expected._22 = -0.0041666669f;
    expected._41 = -1.0015625f;
    expected._42 = 1.0020833f;
    expected._44 = 1.0f;
    EXPECT_EQ(std::memcmp(&world, &expected, sizeof(world)), 0)
        << world._11 << " " << world._22 << " " << world._41 << " " << world._42;
    const D3DMATRIX identity = identityMatrix();
    EXPECT_EQ(std::memcmp(&view, &identity, sizeof(view)), 0);
    EXPECT_EQ(std::memcmp(&projection, &identity, sizeof(projection)), 0);
    EXPECT_EQ(batch->end(), S_OK);
}

TEST_F(SpriteBatchTest, BeginWithoutBlendingUsesTheAlphaTest) {
    create(platform_ext::ProfileNoBlend);
    ASSERT_EQ(batch->begin(), S_OK);
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(renderState(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    EXPECT_EQ(renderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATEREQUAL));
    EXPECT_EQ(renderState(D3DRS_ALPHAREF), 127u);
    EXPECT_EQ(batch->end(), S_OK);
}

// The caller's state differs from the sprite state wherever it can, so that a state the
// batch forgot to save shows up as a difference.
class CallerStateTest : public SpriteBatchTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    void setCallerState() {
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                        callerTexture.out()),
                  D3D_OK);
        device->SetTexture(0, callerTexture.get());
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 3);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        D3DMATRIX m = identityMatrix();
        m._41 = 3.0f;
        device->SetTransform(D3DTS_WORLD, &m);
        m._42 = 5.0f;
        device->SetTransform(D3DTS_VIEW, &m);
        device->SetVertexShader(D3DFVF_XYZ);
    }

    ComRef<IDirect3DTexture8> callerTexture;
};

TEST_P(CallerStateTest, EndPutsBackEveryStateTheBatchTouched) {
    create(GetParam());
    setCallerState();
    const sprite_test::DeviceStateSnapshot before = snapshot();
    ASSERT_EQ(batch->begin(), S_OK);
    EXPECT_NE(snapshot(), before);
    ComRef<IDirect3DTexture8> sprite =
        makeTexture(8, 8, D3DFMT_A8R8G8B8, [](UINT, UINT) { return 0x80FF0000u; });
    EXPECT_EQ(batch->draw(sprite.get(), nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF),
              S_OK);
    ASSERT_EQ(batch->end(), S_OK);
    EXPECT_EQ(snapshot(), before);
}

TEST_P(CallerStateTest, ALoneDrawBracketsItselfAndLeavesTheStateAsFound) {
    create(GetParam());
    setCallerState();
    const sprite_test::DeviceStateSnapshot before = snapshot();
    ComRef<IDirect3DTexture8> sprite =
        makeTexture(8, 8, D3DFMT_X8R8G8B8, [](UINT, UINT) { return 0xFF00FF00u; });
    const Vector2 at = {10.0f, 20.0f};
    EXPECT_EQ(batch->draw(sprite.get(), nullptr, nullptr, nullptr, 0.5f, &at, 0x80FFFFFF), S_OK);
    EXPECT_EQ(snapshot(), before);
    // Not left begun: an explicit pair still works.
    EXPECT_EQ(batch->begin(), S_OK);
    EXPECT_EQ(batch->end(), S_OK);
}

TEST_P(CallerStateTest, StateBlocksAreRecordedAgainAfterADeviceLoss) {
    create(GetParam());
    ASSERT_EQ(batch->begin(), S_OK);
    ASSERT_EQ(batch->end(), S_OK);
    EXPECT_EQ(batch->onDeviceLost(), S_OK);
    EXPECT_EQ(batch->onDeviceReset(), S_OK);
    setCallerState();
    const sprite_test::DeviceStateSnapshot before = snapshot();
    ASSERT_EQ(batch->begin(), S_OK);
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    ASSERT_EQ(batch->end(), S_OK);
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Profiles, CallerStateTest,
                         ::testing::Values(0u, uint32_t(platform_ext::ProfileUntransformed),
                                           uint32_t(platform_ext::ProfileNoBlend)));

TEST_F(SpriteBatchTest, RefusedDrawsChangeNothing) {
    create(0);
    ComRef<IDirect3DTexture8> sprite =
        makeTexture(16, 8, D3DFMT_A8R8G8B8, [](UINT, UINT) { return 0xFFFFFFFFu; });
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    const sprite_test::DeviceStateSnapshot before = snapshot();
    const RECT refused[] = {
        {5, 0, 4, 8},   // left > right
        {0, -1, 16, 8}, // top < 0
        {-1, 0, 16, 8}, // left < 0
        {0, 5, 16, 4},  // top > bottom
        {17, 0, 20, 8}, // left beyond the width
        {0, 9, 16, 10}, // top beyond the height
    };
    for (const RECT& r : refused)
        EXPECT_EQ(batch->drawTransform(sprite.get(), &r, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL)
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(batch->draw(nullptr, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(snapshot(), before);
    // None of them began the batch.
    EXPECT_EQ(batch->end(), E_FAIL);

    const RECT accepted[] = {{16, 8, 16, 8}, {0, 0, 40, 30}};
    for (const RECT& r : accepted)
        EXPECT_EQ(batch->drawTransform(sprite.get(), &r, nullptr, 0xFFFFFFFF), S_OK);
}

struct AlphaCase {
    D3DFORMAT format;
    D3DCOLOR color;
    bool needsAlpha;
};

class AlphaSwitchTest : public SpriteBatchTest, public ::testing::WithParamInterface<AlphaCase> {};

// Within begin ... end the device keeps the switch of the last draw.
TEST_P(AlphaSwitchTest, FollowsTheColourAlphaAndTheTextureFormat) {
    const AlphaCase c = GetParam();
    for (uint32_t profile : {0u, uint32_t(platform_ext::ProfileNoBlend)}) {
        create(profile);
        ComRef<IDirect3DTexture8> texture;
        ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, c.format, D3DPOOL_MANAGED, texture.out()),
                  D3D_OK);
        ASSERT_EQ(batch->begin(), S_OK);
        ASSERT_EQ(batch->drawTransform(texture.get(), nullptr, nullptr, c.color), S_OK);
        const D3DRENDERSTATETYPE swit =
            profile == 0 ? D3DRS_ALPHABLENDENABLE : D3DRS_ALPHATESTENABLE;
        EXPECT_EQ(renderState(swit), DWORD(c.needsAlpha)) << "profile " << profile;
        ASSERT_EQ(batch->end(), S_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AlphaSwitchTest,
    ::testing::Values(
        AlphaCase{D3DFMT_X8R8G8B8, 0xFFFFFFFF, false}, AlphaCase{D3DFMT_X8R8G8B8, 0x80FFFFFF, true},
        AlphaCase{D3DFMT_X8R8G8B8, 0xFEFFFFFF, true}, AlphaCase{D3DFMT_A8R8G8B8, 0xFFFFFFFF, true},
        AlphaCase{D3DFMT_R5G6B5, 0xFFFFFFFF, false}, AlphaCase{D3DFMT_A1R5G5B5, 0xFFFFFFFF, true},
        AlphaCase{D3DFMT_A4R4G4B4, 0xFFFFFFFF, true}, AlphaCase{D3DFMT_L8, 0xFFFFFFFF, false},
        AlphaCase{D3DFMT_A8, 0xFFFFFFFF, true}, AlphaCase{D3DFMT_A8L8, 0xFFFFFFFF, true},
        AlphaCase{D3DFMT_DXT1, 0xFFFFFFFF, false}, AlphaCase{D3DFMT_DXT3, 0xFFFFFFFF, true},
        AlphaCase{D3DFMT_DXT5, 0xFFFFFFFF, true}));

} // namespace
