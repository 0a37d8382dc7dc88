// State blocks: recording holds exactly the states set in between without changing the
// device, capture takes the device's current values of exactly those, apply sets them.
#include "d3d8_test_support.h"

using namespace d3d8_test;

namespace {

class StateBlockTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(
            device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, textureA.out()),
            D3D_OK);
        ASSERT_EQ(
            device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, textureB.out()),
            D3D_OK);
    }

    static D3DMATRIX matrix(float value) {
        D3DMATRIX m = {};
        m._11 = m._22 = m._33 = m._44 = 1.0f;
        m._41 = value;
        return m;
    }

    // Sets every state the tests look at to a value derived from `variant`.
    void setAll(int variant) {
        const DWORD v = DWORD(variant);
        ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, v % 2), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 10 + v), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, 1 + v % 3), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 2 + v % 3), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_ALPHAOP, 1 + v % 3), D3D_OK);
        const D3DMATRIX m = matrix(float(variant));
        ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &m), D3D_OK);
        ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &m), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, variant % 2 ? textureA.get() : textureB.get()), D3D_OK);
        ASSERT_EQ(device->SetVertexShader(variant % 2 ? 0x144 : 0x142), D3D_OK);
        ASSERT_EQ(device->SetStreamSource(0, nullptr, 20 + v), D3D_OK);
        const D3DVIEWPORT8 viewport = {v, v, 10, 10, 0, 1};
        ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    }

    struct Snapshot {
        DWORD zenable, alpharef, cull, colorop, alphaop1, shader;
        float view, world;
        IDirect3DBaseTexture8* texture;
        UINT stride;
        DWORD viewportX;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() {
        Snapshot s{};
        device->GetRenderState(D3DRS_ZENABLE, &s.zenable);
        device->GetRenderState(D3DRS_ALPHAREF, &s.alpharef);
        device->GetRenderState(D3DRS_CULLMODE, &s.cull);
        device->GetTextureStageState(0, D3DTSS_COLOROP, &s.colorop);
        device->GetTextureStageState(1, D3DTSS_ALPHAOP, &s.alphaop1);
        device->GetVertexShader(&s.shader);
        D3DMATRIX m;
        device->GetTransform(D3DTS_VIEW, &m);
        s.view = m._41;
        device->GetTransform(D3DTS_WORLD, &m);
        s.world = m._41;
        device->GetTexture(0, &s.texture);
        if (s.texture != nullptr)
            s.texture->Release();
        IDirect3DVertexBuffer8* buffer = nullptr;
        device->GetStreamSource(0, &buffer, &s.stride);
        D3DVIEWPORT8 viewport;
        device->GetViewport(&viewport);
        s.viewportX = viewport.X;
        return s;
    }

    Ref<IDirect3DTexture8> textureA, textureB;
};

} // namespace

TEST_F(StateBlockTest, RecordingHoldsExactlyTheStatesSetWithoutApplyingThem) {
    setAll(1);
    const Snapshot before = snapshot();
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 99), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE), D3D_OK);
    const D3DMATRIX m = matrix(7.0f);
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &m), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, textureB.get()), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 64), D3D_OK);
    EXPECT_EQ(snapshot(), before) << "recording changed the device";
    DWORD token = 0;
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    EXPECT_NE(token, 0u);

    setAll(2);
    Snapshot expected = snapshot();
    expected.alpharef = 99;
    expected.colorop = D3DTOP_DISABLE;
    expected.view = 7.0f;
    expected.texture = textureB.get();
    expected.stride = 64;
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(StateBlockTest, CaptureTakesTheCurrentValuesOfTheRecordedStates) {
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    setAll(5); // every state of the snapshot except the unrecorded ones below
    DWORD token = 0;
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    setAll(3);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    const Snapshot caller = snapshot();
    ASSERT_EQ(device->CaptureStateBlock(token), D3D_OK);
    setAll(4);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, TRUE), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(snapshot(), caller);
    DWORD lighting = 0;
    ASSERT_EQ(device->GetRenderState(D3DRS_LIGHTING, &lighting), D3D_OK);
    EXPECT_EQ(lighting, DWORD(TRUE)) << "an unrecorded state kept its value";
}

// The sprite batch's pattern: a block over the states it touches captures the caller's values
// and puts them back after the batch's own block was applied.
TEST_F(StateBlockTest, SaveApplyRestore) {
    DWORD saved = 0, sprite = 0;
    for (DWORD* token : {&saved, &sprite}) {
        ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE), D3D_OK);
        if (token == &saved) {
            ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        }
        ASSERT_EQ(device->EndStateBlock(token), D3D_OK);
    }
    setAll(1);
    const Snapshot caller = snapshot();
    ASSERT_EQ(device->CaptureStateBlock(saved), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(sprite), D3D_OK);
    DWORD cull = 0;
    ASSERT_EQ(device->GetRenderState(D3DRS_CULLMODE, &cull), D3D_OK);
    EXPECT_EQ(cull, DWORD(D3DCULL_NONE));
    ASSERT_EQ(device->SetTexture(0, textureB.get()), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(saved), D3D_OK);
    EXPECT_EQ(snapshot(), caller);
}

TEST_F(StateBlockTest, BlocksKeepTheirTexturesAlive) {
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    ASSERT_EQ(device->SetTexture(2, textureA.get()), D3D_OK);
    DWORD token = 0;
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    IDirect3DTexture8* raw = textureA.detach();
    EXPECT_EQ(raw->Release(), 0u);
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    IDirect3DBaseTexture8* bound = nullptr;
    ASSERT_EQ(device->GetTexture(2, &bound), D3D_OK);
    ASSERT_EQ(bound, static_cast<IDirect3DBaseTexture8*>(raw));
    EXPECT_EQ(bound->GetLevelCount(), 1u);
    bound->Release();
    ASSERT_EQ(device->DeleteStateBlock(token), D3D_OK);
    ASSERT_EQ(device->SetTexture(2, nullptr), D3D_OK); // the last holder: freed here
}

TEST_F(StateBlockTest, MisuseIsRefused) {
    DWORD token = 0;
    EXPECT_EQ(device->EndStateBlock(&token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->ApplyStateBlock(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CaptureStateBlock(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DeleteStateBlock(12345), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRENDERSTATETYPE(1), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(12), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTRANSFORMSTATETYPE(4), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndStateBlock(nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK) << "still recording after a refused end";
    DWORD other = 0;
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CaptureStateBlock(token), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndStateBlock(&other), D3D_OK);
    EXPECT_NE(other, token);
    EXPECT_EQ(device->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(device->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(device->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->ApplyStateBlock(other), D3D_OK);
}

TEST_F(StateBlockTest, TransformsMultiply) {
    const D3DMATRIX a = matrix(2.0f), b = matrix(3.0f);
    ASSERT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(5), &a), D3D_OK);
    ASSERT_EQ(device->MultiplyTransform(D3DTS_WORLDMATRIX(5), &b), D3D_OK);
    D3DMATRIX product;
    ASSERT_EQ(device->GetTransform(D3DTS_WORLDMATRIX(5), &product), D3D_OK);
    EXPECT_EQ(product._41, 5.0f);
    EXPECT_EQ(product._11, 1.0f);
    ASSERT_EQ(device->GetTransform(D3DTS_TEXTURE7, &product), D3D_OK);
    EXPECT_EQ(product._22, 1.0f);
    EXPECT_EQ(device->GetTransform(D3DTS_WORLDMATRIX(256), &product), D3DERR_INVALIDCALL);
}

// A block over every state, each set twice while recording, holds each once with the value
// set last, and captures and applies all of them.
TEST_F(StateBlockTest, EveryStateSetTwiceIsHeldOnceWithItsLastValue) {
    std::vector<D3DRENDERSTATETYPE> renderStates;
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    for (DWORD pass = 0; pass < 2; ++pass) {
        for (DWORD state = 0; state < 256; ++state)
            if (device->SetRenderState(D3DRENDERSTATETYPE(state), 1000 * pass + state) == D3D_OK &&
                pass == 0)
                renderStates.push_back(D3DRENDERSTATETYPE(state));
        for (DWORD stage = 0; stage < 8; ++stage)
            for (DWORD type = 0; type < 32; ++type)
                device->SetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type),
                                             1000 * pass + stage * 32 + type);
        for (UINT i = 0; i < 256; ++i) {
            const D3DMATRIX m = matrix(float(1000 * pass + i));
            ASSERT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(i), &m), D3D_OK);
        }
    }
    DWORD token = 0;
    ASSERT_EQ(device->EndStateBlock(&token), D3D_OK);
    ASSERT_GT(renderStates.size(), 70u);

    const auto expectAll = [&](DWORD base) {
        for (D3DRENDERSTATETYPE state : renderStates) {
            DWORD value = 0;
            device->GetRenderState(state, &value);
            EXPECT_EQ(value, base + state) << "render state " << state;
        }
        DWORD value = 0;
        device->GetTextureStageState(7, D3DTSS_TEXCOORDINDEX, &value);
        EXPECT_EQ(value, base + 7 * 32 + D3DTSS_TEXCOORDINDEX);
        device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
        EXPECT_EQ(value, base + D3DTSS_COLOROP);
        for (UINT i : {0u, 100u, 255u}) {
            D3DMATRIX m;
            device->GetTransform(D3DTS_WORLDMATRIX(i), &m);
            EXPECT_EQ(m._41, float(base + i)) << "world matrix " << i;
        }
    };
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    expectAll(1000);

    for (D3DRENDERSTATETYPE state : renderStates)
        device->SetRenderState(state, 5000 + state);
    device->SetTextureStageState(7, D3DTSS_TEXCOORDINDEX, 5000 + 7 * 32 + D3DTSS_TEXCOORDINDEX);
    device->SetTextureStageState(0, D3DTSS_COLOROP, 5000 + D3DTSS_COLOROP);
    for (UINT i = 0; i < 256; ++i) {
        const D3DMATRIX m = matrix(float(5000 + i));
        device->SetTransform(D3DTS_WORLDMATRIX(i), &m);
    }
    ASSERT_EQ(device->CaptureStateBlock(token), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(token), D3D_OK);
    expectAll(5000);
}
