// The text renderer as a component object and the rasteriser its renderers share: creation
// and refusals, references, the shared rasteriser's life, begin and end, device loss and
// reset.
#include "tests/text/text_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using text_test::fontOfHeight;
using text_test::TextFixture;

class TextRendererTest : public TextFixture {
protected:
    void SetUp() override { createDevice(0); }
};

TEST_F(TextRendererTest, CreationRefusesNullArgumentsAndUnknownFonts) {
    const LOGFONTA font = fontOfHeight(16);
    TextRenderer* out = reinterpret_cast<TextRenderer*>(0x1);
    EXPECT_EQ(createTextRenderer(nullptr, &font, &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(createTextRenderer(device.get(), nullptr, &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(createTextRenderer(device.get(), &font, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(createTextRendererFromFont(device.get(), HFONT(nullptr), &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(createTextRendererFromFont(device.get(), reinterpret_cast<HFONT>(0x5A5A), &out),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(out, reinterpret_cast<TextRenderer*>(0x1));
    EXPECT_EQ(rasterizer(), nullptr);
}

TEST_F(TextRendererTest, AFontGdiRefusesIsOutOfMemoryAndLeavesNoRasteriser) {
    LOGFONTA underlined = fontOfHeight(16);
    underlined.lfUnderline = TRUE;
    const ULONG before = refCount(device.get());
    TextRenderer* out = nullptr;
    EXPECT_EQ(createTextRenderer(device.get(), &underlined, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(rasterizer(), nullptr);
    EXPECT_EQ(refCount(device.get()), before);
}

TEST_F(TextRendererTest, TheStockSystemFontMakesARendererThatDescribesIt) {
    TextRenderer* r = nullptr;
    ASSERT_EQ(createTextRendererFromFont(device.get(),
                                         static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), &r),
              S_OK);
    renderers_.push_back(r);
    LOGFONTA expected, got;
    ASSERT_NE(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof(expected), &expected), 0);
    std::memset(&got, 0xCC, sizeof(got));
    EXPECT_EQ(r->getFontDescription(&got), S_OK);
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof(got)), 0);
    EXPECT_EQ(r->getFontDescription(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(TextRendererTest, AnswersItsInterfacesAndCountsReferences) {
    TextRenderer* r = renderer(fontOfHeight(16));
    void* out = nullptr;
    EXPECT_EQ(r->queryInterface(IID_TextRenderer, &out), S_OK);
    EXPECT_EQ(out, r);
    EXPECT_EQ(r->queryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, r);
    EXPECT_EQ(r->release(), 2u);
    EXPECT_EQ(r->release(), 1u);
    out = nullptr;
    EXPECT_EQ(r->queryInterface(IID_SpriteBatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(r->addRef(), 2u);
    EXPECT_EQ(r->release(), 1u);

    IDirect3DDevice8* got = nullptr;
    const ULONG before = refCount(device.get());
    EXPECT_EQ(r->getDevice(&got), S_OK);
    EXPECT_EQ(got, device.get());
    EXPECT_EQ(refCount(device.get()), before + 1);
    got->Release();
    EXPECT_EQ(r->getDevice(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(TextRendererTest, RenderersOfADeviceShareOneRasteriserUntilTheLastIsReleased) {
    const ULONG deviceBefore = refCount(device.get());
    TextRenderer* a = nullptr;
    TextRenderer* b = nullptr;
    const LOGFONTA small = fontOfHeight(16);
    ASSERT_EQ(createTextRenderer(device.get(), &small, &a), S_OK);
    TextRasterizer* shared = rasterizer();
    ASSERT_NE(shared, nullptr);
    const LOGFONTA big = fontOfHeight(24);
    ASSERT_EQ(createTextRenderer(device.get(), &big, &b), S_OK);
    EXPECT_EQ(rasterizer(), shared);

    // Releasing either one first leaves the other working.
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(rasterizer(), shared);
    RECT r = {0, 0, 640, 480};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_GT(b->drawText("still here", -1, &r, 0, 0xFFFFFFFF), 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(b->release(), 0u);
    EXPECT_EQ(rasterizer(), nullptr);
    EXPECT_EQ(refCount(device.get()), deviceBefore);
}

// The renderer and its rasteriser hold the device, so the caller may let go of the device
// first; the last renderer's release then ends the device too.
TEST_F(TextRendererTest, TheDeviceMayBeReleasedBeforeItsLastRenderer) {
    const LOGFONTA font = fontOfHeight(16);
    TextRenderer* r = nullptr;
    ASSERT_EQ(createTextRenderer(device.get(), &font, &r), S_OK);
    IDirect3DDevice8* raw = device.get();
    device.reset();
    ASSERT_EQ(raw->BeginScene(), D3D_OK);
    RECT rect = {0, 0, 64, 64};
    EXPECT_GT(r->drawText("late", -1, &rect, 0, 0xFFFFFFFF), 0);
    ASSERT_EQ(raw->EndScene(), D3D_OK);
    EXPECT_EQ(r->release(), 0u);
    EXPECT_EQ(TextRasterizer::findRasterizer(raw), nullptr);
}

TEST_F(TextRendererTest, EachDeviceHasItsOwnRasteriser) {
    renderer(fontOfHeight(16));
    TextRasterizer* first = rasterizer();
    ComRef<IDirect3DDevice8> other;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, other.out()), D3D_OK);
    const LOGFONTA font = fontOfHeight(16);
    TextRenderer* onOther = nullptr;
    ASSERT_EQ(createTextRenderer(other.get(), &font, &onOther), S_OK);
    TextRasterizer* second = TextRasterizer::findRasterizer(other.get());
    EXPECT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(rasterizer(), first);
    onOther->release();
    EXPECT_EQ(TextRasterizer::findRasterizer(other.get()), nullptr);
    EXPECT_EQ(rasterizer(), first);
}

TEST_F(TextRendererTest, BeginAndEndPairUpAcrossRenderersAndRefuseTheWrongOrder) {
    TextRenderer* a = renderer(fontOfHeight(16));
    TextRenderer* b = renderer(fontOfHeight(24));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    const sprite_test::DeviceStateSnapshot before = snapshot();

    EXPECT_EQ(b->end(), D3DERR_INVALIDCALL);
    EXPECT_EQ(snapshot(), before);
    ASSERT_EQ(a->begin(), S_OK);
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE)); // the sprite state
    const sprite_test::DeviceStateSnapshot inside = snapshot();
    EXPECT_EQ(b->begin(), D3DERR_INVALIDCALL);
    EXPECT_EQ(snapshot(), inside);
    EXPECT_EQ(b->end(), S_OK);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(a->end(), D3DERR_INVALIDCALL);
}

TEST_F(TextRendererTest, ALoneDrawLeavesTheDeviceStateAsFound) {
    TextRenderer* r = renderer(fontOfHeight(16));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    const sprite_test::DeviceStateSnapshot before = snapshot();
    RECT rect = {0, 0, 640, 480};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_GT(r->drawText("lone", -1, &rect, 0, 0xFFFFFFFF), 0);
    EXPECT_EQ(r->drawText("", -1, &rect, 0, 0xFFFFFFFF), 0); // no line, no height
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(snapshot(), before);
    // Not left begun.
    EXPECT_EQ(r->end(), D3DERR_INVALIDCALL);
}

TEST_F(TextRendererTest, NullTextOrRectangleDrawsNothingAndReturnsZero) {
    TextRenderer* r = renderer(fontOfHeight(16));
    RECT rect = {0, 0, 640, 480};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(r->drawText(nullptr, -1, &rect, 0, 0xFFFFFFFF), 0);
    EXPECT_EQ(r->drawText("text", -1, nullptr, 0, 0xFFFFFFFF), 0);
    EXPECT_EQ(r->drawTextWide(nullptr, -1, &rect, 0, 0xFFFFFFFF), 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
}

struct LossCase {
    const char* name;
    uint32_t profile;
    bool dynamic;
};

void PrintTo(const LossCase& c, std::ostream* out) {
    *out << c.name;
}

class DeviceLossTest : public TextFixture, public ::testing::WithParamInterface<LossCase> {
protected:
    void SetUp() override { createDevice(GetParam().profile); }
};

TEST_P(DeviceLossTest, DefaultPoolTilesGoAtTheLossAndComeBackAtTheReset) {
    TextRenderer* r = renderer(fontOfHeight(16));
    TextRasterizer* shared = rasterizer();
    ASSERT_EQ(shared->dynamic(), GetParam().dynamic);
    IDirect3DTexture8* tile = shared->tileTexture(0);
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(shared->tileTexture(1) != nullptr, !GetParam().dynamic);

    EXPECT_EQ(r->onDeviceLost(), S_OK);
    if (GetParam().dynamic)
        EXPECT_EQ(shared->tileTexture(0), nullptr);
    else
        EXPECT_EQ(shared->tileTexture(0), tile); // managed tiles survive a reset
    EXPECT_EQ(r->onDeviceReset(), S_OK);
    ASSERT_NE(shared->tileTexture(0), nullptr);
    EXPECT_EQ(r->onDeviceReset(), S_OK); // nothing left to make

    // The state blocks are recorded again at the next begin.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    const sprite_test::DeviceStateSnapshot before = snapshot();
    ASSERT_EQ(r->begin(), S_OK);
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(D3DZB_FALSE));
    ASSERT_EQ(r->end(), S_OK);
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Tiles, DeviceLossTest,
                         ::testing::Values(LossCase{"dynamic", 0, true},
                                           LossCase{"managed", platform_ext::ProfileNoDynamic,
                                                    false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
