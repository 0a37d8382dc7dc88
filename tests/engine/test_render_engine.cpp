// The render engine on a headless software device: the window's place and size, the black first
// frame, the frame cycle and its failure, the quit request, loading pictures with their keyed
// pixels, the opacity probe at picture edges, and sprites drawn where they are asked.
#include "engine/render_engine.h"
#include "engine/texture.h"

#include "platform_ext.h"
#include "tests/game/test_pictures.h"
#include "tests/platform/win32/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

RenderEngine renderEngine;

namespace {

class RenderEngineTest : public InTempFolder {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        static const bool ready = renderEngine.initialize(&DefWindowProcA);
        ASSERT_TRUE(ready);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Loads a picture written into the current folder.
    void load(Texture& picture, const char* name, int width, int height, const PixelRule& rule) {
        ASSERT_TRUE(writePicture(name, width, height, rule));
        std::strcpy(picture.path, name);
        ASSERT_TRUE(renderEngine.loadTexture(picture));
    }

    static platform_ext::PresentedFrame presented() {
        platform_ext::PresentedFrame frame;
        EXPECT_TRUE(platform_ext::lastPresentedFrame(renderEngine.getDevice(), &frame));
        return frame;
    }
};

TEST_F(RenderEngineTest, TheWindowsClientAreaIs640By480AtScreen100_100) {
    HWND window = renderEngine.getWindow();
    ASSERT_NE(window, nullptr);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(window, &origin));
    EXPECT_EQ(origin.x, 100);
    EXPECT_EQ(origin.y, 100);
    // The aim point is in client coordinates already, and may be converted in place.
    Vector2 point{645, 485};
    renderEngine.toClient(point, point);
    EXPECT_EQ(point.x, 645);
    EXPECT_EQ(point.y, 485);
}

TEST_F(RenderEngineTest, ANewDeviceShowsOneBlackFrameAndIsReleasedWithItsEngine) {
    // A second engine of its own, so that its first frame is the one it presented on creation.
    RenderEngine engine;
    ASSERT_TRUE(engine.initialize(&DefWindowProcA));
    platform_ext::PresentedFrame frame;
    ASSERT_TRUE(platform_ext::lastPresentedFrame(engine.getDevice(), &frame));
    EXPECT_EQ(frame.sequence, 1u);
    ASSERT_EQ(frame.pixels.size(), 640u * 480u);
    for (uint32_t pixel : frame.pixels)
        ASSERT_EQ(pixel & 0xFFFFFF, 0u);
}

TEST_F(RenderEngineTest, FramesArePresentedAndAnOpenSceneBlocksEveryLaterFrame) {
    const uint64_t before = presented().sequence;
    ASSERT_TRUE(renderEngine.beginFrame());
    ASSERT_TRUE(renderEngine.endFrame());
    EXPECT_EQ(presented().sequence, before + 1);
    EXPECT_EQ(presented().width, 640u);
    EXPECT_EQ(presented().height, 480u);
    // A scene left open (as by a failed step of an earlier begin) makes every begin fail.
    IDirect3DDevice8* device = renderEngine.getDevice();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_FALSE(renderEngine.beginFrame());
    EXPECT_FALSE(renderEngine.beginFrame());
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(presented().sequence, before + 1);
    EXPECT_TRUE(renderEngine.beginFrame());
    EXPECT_TRUE(renderEngine.endFrame());
}

TEST_F(RenderEngineTest, RequestQuitPostsTheQuitMessageWithExitCodeZero) {
    EXPECT_TRUE(renderEngine.requestQuit());
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(RenderEngineTest, APictureLoadsWithItsOwnSizeAndItsKeyedPixelsTransparent) {
    // 5 x 3: texel (1, 1) keyed, everything else opaque.
    Texture picture;
    load(picture, "five.png", 5, 3, [](int x, int y) { return x == 1 && y == 1 ? Key : 0x102030; });
    EXPECT_EQ(picture.source.left, 0);
    EXPECT_EQ(picture.source.top, 0);
    EXPECT_EQ(picture.source.right, 5);
    EXPECT_EQ(picture.source.bottom, 3);
    EXPECT_TRUE(renderEngine.isOpaqueAt(Vector2{0, 0}, picture.texture));
    EXPECT_FALSE(renderEngine.isOpaqueAt(Vector2{1, 1}, picture.texture));
    EXPECT_FALSE(renderEngine.isOpaqueAt(Vector2{1.99f, 1.99f}, picture.texture));

    EXPECT_TRUE(picture.hitTest(Vector2{0.9f, 0.9f})) << "truncates to texel (0, 0)";
    EXPECT_FALSE(picture.hitTest(Vector2{1.0f, 1.0f})) << "the keyed texel";
    EXPECT_TRUE(picture.hitTest(Vector2{4.5f, 2.5f})) << "the last texel";
    EXPECT_FALSE(picture.hitTest(Vector2{-0.1f, 1})) << "left of the picture";
    EXPECT_FALSE(picture.hitTest(Vector2{2, -0.1f})) << "above the picture";
    EXPECT_FALSE(picture.hitTest(Vector2{5, 3})) << "the far edges pass the bounds, no texel";
    EXPECT_FALSE(picture.hitTest(Vector2{5.5f, 1})) << "right of the picture";
    EXPECT_FALSE(picture.hitTest(Vector2{std::nanf(""), 1}));
    EXPECT_FALSE(renderEngine.isOpaqueAt(Vector2{1e30f, 0}, picture.texture));
    EXPECT_FALSE(renderEngine.isOpaqueAt(Vector2{0, 0}, nullptr));
}

TEST_F(RenderEngineTest, AFailedLoadLeavesTheSourceAlone) {
    Texture picture;
    picture.source = RECT{0, 7, 8, 9};
    std::strcpy(picture.path, "missing.png");
    EXPECT_FALSE(renderEngine.loadTexture(picture));
    EXPECT_EQ(picture.texture, nullptr);
    EXPECT_EQ(picture.source.top, 7);
    writeHostFile("garbage.png", "\x89PNG but not really");
    std::strcpy(picture.path, "garbage.png");
    EXPECT_FALSE(renderEngine.loadTexture(picture));
    EXPECT_EQ(picture.texture, nullptr);
}

TEST_F(RenderEngineTest, OtherTextureFormatsAreProbedByTheirAlpha) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(renderEngine.getDevice()->CreateTexture(2, 1, 1, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED,
                                                      &texture),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const uint16_t texels[2] = {0x8000, 0x7FFF};
    std::memcpy(locked.pBits, texels, sizeof texels);
    texture->UnlockRect(0);
    EXPECT_TRUE(renderEngine.isOpaqueAt(Vector2{0.5f, 0}, texture));
    EXPECT_FALSE(renderEngine.isOpaqueAt(Vector2{1.5f, 0}, texture));
    texture->Release();
}

TEST_F(RenderEngineTest, SpritesLandWithTheirTopLeftCornerOnThePosition) {
    Texture background;
    load(background, "back.png", 640, 480, [](int, int) { return 0x000040; });
    Texture square;
    load(square, "square.png", 4, 4,
         [](int x, int y) { return x == 3 && y == 3 ? Key : 0xC0C000; });
    const Vector2 at{300, 200};
    ASSERT_TRUE(renderEngine.beginFrame());
    EXPECT_TRUE(background.draw(nullptr, renderEngine));
    EXPECT_TRUE(square.draw(&at, renderEngine));
    EXPECT_TRUE(square.draw(nullptr, renderEngine));
    ASSERT_TRUE(renderEngine.endFrame());
    const platform_ext::PresentedFrame frame = presented();
    EXPECT_EQ(frame.at(300, 200) & 0xFFFFFF, 0xC0C000u);
    EXPECT_EQ(frame.at(302, 203) & 0xFFFFFF, 0xC0C000u);
    EXPECT_EQ(frame.at(303, 203) & 0xFFFFFF, 0x000040u) << "a keyed texel shows what is behind";
    EXPECT_EQ(frame.at(304, 200) & 0xFFFFFF, 0x000040u);
    EXPECT_EQ(frame.at(299, 199) & 0xFFFFFF, 0x000040u);
    EXPECT_EQ(frame.at(0, 0) & 0xFFFFFF, 0xC0C000u) << "no position is the client origin";
    EXPECT_EQ(frame.at(639, 479) & 0xFFFFFF, 0x000040u);
}

} // namespace
