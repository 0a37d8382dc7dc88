// Present: the presented frame stays readable headless, goes to the present observer and to
// the window bridge, and is converted to 0xFFRRGGBB words.
#include "raster_test_support.h"

#include "platform/internal/window_bridge.h"

using namespace d3d8_test;

namespace {

using PresentTest = RasterTest;

struct Observed {
    int calls = 0;
    IDirect3DDevice8* device = nullptr;
    platform_ext::FrameView view{};
    uint32_t firstWord = 0;
};

void observe(IDirect3DDevice8* device, const platform_ext::FrameView& view, void* user) {
    Observed* seen = static_cast<Observed*>(user);
    ++seen->calls;
    seen->device = device;
    seen->view = view;
    std::memcpy(&seen->firstWord, view.bits, 4);
}

} // namespace

TEST_F(PresentTest, FramesStayReadableAndCount) {
    platform_ext::PresentedFrame frame;
    EXPECT_FALSE(platform_ext::lastPresentedFrame(device.get(), &frame));
    EXPECT_FALSE(platform_ext::lastPresentedFrame(nullptr, &frame));
    clear(0xFF112233);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
    EXPECT_EQ(frame.width, Width);
    EXPECT_EQ(frame.height, Height);
    EXPECT_EQ(frame.sequence, 1u);
    ASSERT_EQ(frame.pixels.size(), size_t(Width * Height));
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), 0xFF112233u),
              int(Width * Height));

    // Drawing the next frame leaves the shown one alone until it is presented.
    clear(0xFF445566);
    ASSERT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
    EXPECT_EQ(frame.at(5, 5), 0xFF112233u);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
    EXPECT_EQ(frame.at(5, 5), 0xFF445566u);
    EXPECT_EQ(frame.sequence, 2u);

    const RECT part = {0, 0, 4, 4};
    EXPECT_EQ(device->Present(&part, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(PresentTest, ObserverSeesTheFrameWithoutACopy) {
    Observed seen;
    platform_ext::setPresentObserver(observe, &seen);
    clear(0xFF0A0B0C);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    platform_ext::setPresentObserver(nullptr, nullptr);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.device, device.get());
    EXPECT_EQ(seen.view.width, Width);
    EXPECT_EQ(seen.view.height, Height);
    EXPECT_EQ(seen.view.pitch, Width * 4);
    EXPECT_EQ(seen.view.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(seen.view.sequence, 1u);
    EXPECT_EQ(seen.firstWord, 0xFF0A0B0Cu);
}

TEST_F(PresentTest, SixteenBitFramesAreWidened) {
    useDevice(platform_ext::ProfileDesktop16);
    clear(0xFF8040C0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    platform_ext::PresentedFrame frame;
    ASSERT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
    // 0x80 -> 16 of 31 -> 132; 0x40 -> 16 of 63 -> 65; 0xC0 -> 23 of 31 -> 189.
    EXPECT_EQ(frame.at(0, 0), 0xFF8441BDu);
}

TEST_F(PresentTest, CopySwapKeepsTheBackBuffer) {
    ProfileScope scope(0);
    D3DPRESENT_PARAMETERS p = windowedParameters(D3DFMT_X8R8G8B8, 8, 8);
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    device.reset();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                device.out()),
              D3D_OK);
    clear(0xFF778899);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(target()[0], 0xFF778899u);
}

TEST_F(PresentTest, WindowBridgeReceivesTheFrame) {
    static std::vector<HWND> shownIn;
    static uint64_t lastSequence = 0;
    static const platform_internal::WindowBridge bridge = {
        [](HWND, UINT* w, UINT* h) {
            *w = 16;
            *h = 8;
            return true;
        },
        [](HWND window, const platform_ext::FrameView& frame) {
            shownIn.push_back(window);
            lastSequence = frame.sequence;
        }};
    platform_internal::setWindowBridge(&bridge);
    int windowObject, otherObject;
    const HWND window = reinterpret_cast<HWND>(&windowObject);
    const HWND other = reinterpret_cast<HWND>(&otherObject);
    D3DPRESENT_PARAMETERS p = windowedParameters(D3DFMT_X8R8G8B8, 0, 0);
    device.reset();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                device.out()),
              D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, other, nullptr), D3D_OK);
    platform_internal::setWindowBridge(nullptr);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(shownIn.size(), 2u);
    EXPECT_EQ(shownIn[0], window);
    EXPECT_EQ(shownIn[1], other);
    EXPECT_EQ(lastSequence, 2u);
}
