// Drawing on several threads: a varied scene gives the same bytes on 1 and on 4 threads, every
// operation that needs a recorded draw's pixels (or must not change what it samples) sees the
// draw finished, and the threads come and go with the device that plays on them.
#include "raster_test_support.h"

#include "d3d8/draw_threads.h"

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

using namespace d3d8_test;

namespace {

constexpr UINT SceneWidth = 160;
constexpr UINT SceneHeight = 120;

// Threads of this process, from the kernel's list of its tasks.
int threadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    int count = 0;
    while (const dirent* entry = readdir(tasks))
        count += entry->d_name[0] != '.';
    closedir(tasks);
    return count;
}

class DrawThreadsTest : public RasterTest {
protected:
    void SetUp() override { useThreads(4, Width, Height); }
    void TearDown() override {
        platform_ext::setDrawThreadCount(0);
        RasterTest::TearDown();
    }

    // A new device that draws on `threads` threads.
    void useThreads(unsigned threads, UINT width, UINT height) {
        platform_ext::setDrawThreadCount(threads);
        createDevice(0, width, height, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
        platform_ext::setDrawThreadCount(0);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        ASSERT_EQ(device->SetVertexShader(TransformedFvf), D3D_OK);
    }

    Ref<IDirect3DTexture8> solidTexture(uint32_t color, UINT size = 4) {
        return makeTexture(size, size, std::vector<uint32_t>(size * size, color));
    }

    // One opaque textured quad over (x0, y0)-(x1, y1), left pending in an open scene.
    void drawPending(IDirect3DTexture8* texture, float x0, float y0, float x1, float y1) {
        ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
        const std::vector<TransformedVertex> q = quad(x0, y0, x1, y1, 0, 0, 1, 1);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0])), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    }

    std::vector<uint32_t> present() {
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        platform_ext::PresentedFrame frame;
        EXPECT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
        return frame.pixels;
    }

    void fillLevel(IDirect3DSurface8* surface, uint32_t color) {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + 4 * x, &color, 4);
        ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    }

    void drawList(const std::vector<TransformedVertex>& v) {
        ASSERT_EQ(
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(v[0])),
            D3D_OK);
    }

    // Every path of the rasteriser, in draws that overlap so that their order shows: opaque
    // and blended rectangles, tinted and alpha-tested ones, Gouraud and perspective
    // triangles, a rotated sprite, a 16-bit texture and clipped untransformed geometry.
    std::vector<uint32_t> drawScene() {
        std::vector<uint32_t> words = randomWords(64 * 64, 7);
        Ref<IDirect3DTexture8> noise = makeTexture(64, 64, words);
        for (uint32_t& w : words)
            w = (w & 0x80000000u ? 0xFF000000u : (w & 0x7F000000u)) | (w & 0xFFFFFF);
        Ref<IDirect3DTexture8> holes = makeTexture(64, 64, words);
        Ref<IDirect3DTexture8> wide;
        EXPECT_EQ(device->CreateTexture(32, 32, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, wide.out()),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(wide->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 32; ++y)
            for (UINT x = 0; x < 32; ++x) {
                const uint16_t texel = uint16_t(words[y * 32 + x] >> 7);
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + 2 * x, &texel, 2);
            }
        EXPECT_EQ(wide->UnlockRect(0), D3D_OK);

        clear(0xFF203040);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
                 D3DTA_DIFFUSE);
        setAddress(D3DTADDRESS_WRAP);
        setFilter(D3DTEXF_LINEAR);
        EXPECT_EQ(device->SetTexture(0, noise.get()), D3D_OK);
        std::vector<TransformedVertex> q =
            quad(-7.3f, -3.1f, 150.2f, 99.7f, -0.3f, 0.1f, 2.2f, 1.9f);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0])), D3D_OK);

        setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        EXPECT_EQ(device->SetTexture(0, holes.get()), D3D_OK);
        for (int i = 0; i < 6; ++i) {
            const float x = float(i * 19) - 0.5f, y = float(i * 13) - 0.5f;
            const D3DCOLOR tint = i % 2 ? 0xFFFFFFFF : 0xC0FF8040u;
            q = quad(x, y, x + 64, y + 64, 0, 0, 1, 1, tint);
            EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0])),
                      D3D_OK);
        }

        // Gouraud triangles without a texture, added to what lies below.
        setStage(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
                 D3DTA_DIFFUSE);
        setBlend(D3DBLEND_ONE, D3DBLEND_ONE);
        std::vector<TransformedVertex> list;
        const std::vector<uint32_t> r = randomWords(3 * 40 * 2, 11);
        for (int i = 0; i < 3 * 40; ++i)
            list.push_back({float(r[2 * i] % 1800) / 10.0f - 10.0f,
                            float(r[2 * i + 1] % 1400) / 10.0f - 10.0f, 0.5f, 1.0f,
                            r[2 * i] & 0x3F3F3F3Fu, 0, 0});
        drawList(list);

        // Perspective-correct, point-sampled, mirrored triangles of a 16-bit texture, blended.
        setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
                 D3DTA_DIFFUSE);
        setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        setFilter(D3DTEXF_POINT);
        setAddress(D3DTADDRESS_MIRROR);
        EXPECT_EQ(device->SetTexture(0, wide.get()), D3D_OK);
        drawList({{10, 100, 0.2f, 1.0f, 0xA0FFFFFF, 0, 0},
                  {150, 80, 0.2f, 0.25f, 0x80FFFFFF, 3, 0},
                  {60, 5, 0.2f, 0.5f, 0xFFFFFFFF, 1.5f, 2.5f}});

        // A rotated, tinted sprite with the alpha test instead of blending.
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 0x60), D3D_OK);
        setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
                 D3DTA_DIFFUSE);
        setFilter(D3DTEXF_LINEAR);
        setAddress(D3DTADDRESS_CLAMP);
        EXPECT_EQ(device->SetTexture(0, holes.get()), D3D_OK);
        std::vector<TransformedVertex> fan;
        for (int i = 0; i < 4; ++i) {
            const double angle = 0.4 + i * 1.5707963;
            fan.push_back({float(100 + 45 * std::cos(angle)), float(60 + 45 * std::sin(angle)), 0,
                           1, 0xFFC0FFC0, float(i == 1 || i == 2), float(i >= 2)});
        }
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, fan.data(), sizeof(fan[0])),
                  D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE), D3D_OK);

        // Untransformed triangles through a perspective projection, cut by the near plane and
        // the guard band.
        const D3DMATRIX projection = {
            {{1.2f, 0, 0, 0, 0, 1.6f, 0, 0, 0, 0, 1.0f, 1.0f, 0, 0, -0.1f, 0}}};
        EXPECT_EQ(device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
        EXPECT_EQ(device->SetVertexShader(UntransformedFvf), D3D_OK);
        setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        const UntransformedVertex far[6] = {
            {-3, -1, 0.05f, 0xFFFF0000, 0, 0}, {2, -1, 4, 0x8000FF00, 4, 0},
            {0, 3, 1, 0xFF0000FF, 0, 4},       {-40, -2, 2, 0xFFFFFF00, 0, 0},
            {1, 50, 2, 0x40FFFFFF, 1, 1},      {30, -30, 9, 0xFF00FFFF, 2, 0}};
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, far, sizeof(far[0])), D3D_OK);
        EXPECT_EQ(device->SetVertexShader(TransformedFvf), D3D_OK);
        EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return present();
    }
};

} // namespace

TEST_F(DrawThreadsTest, OneAndFourThreadsDrawTheSameBytes) {
    useThreads(1, SceneWidth, SceneHeight);
    const std::vector<uint32_t> one = drawScene();
    useThreads(4, SceneWidth, SceneHeight);
    const std::vector<uint32_t> four = drawScene();
    ASSERT_EQ(one.size(), size_t(SceneWidth * SceneHeight));
    ASSERT_EQ(four.size(), one.size());
    for (size_t i = 0; i < one.size(); ++i)
        ASSERT_EQ(four[i], one[i]) << "pixel " << i % SceneWidth << ", " << i / SceneWidth;
    // The scene is not an empty or uniform frame that any order would give.
    EXPECT_GT(std::set<uint32_t>(one.begin(), one.end()).size(), 2000u);
}

TEST_F(DrawThreadsTest, LockOfTheRenderTargetAfterEndSceneSeesTheDraws) {
    clear(0xFF000000);
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    const std::vector<uint32_t> pixels = target();
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[Width * Height - 1], 0xFFFF0000u);
}

TEST_F(DrawThreadsTest, WritingLockOfASampledTextureWaitsForTheDraw) {
    Ref<IDirect3DTexture8> picture = solidTexture(0xFF00FF00);
    drawPending(picture.get(), 0, 0, float(Width), float(Height));
    Ref<IDirect3DSurface8> level;
    ASSERT_EQ(picture->GetSurfaceLevel(0, level.out()), D3D_OK);
    fillLevel(level.get(), 0xFF0000FF);
    EXPECT_EQ(present()[Width * 20 + 30], 0xFF00FF00u);
}

TEST_F(DrawThreadsTest, CopyIntoASampledTextureWaitsForTheDraw) {
    Ref<IDirect3DTexture8> picture = solidTexture(0xFF00FF00);
    drawPending(picture.get(), 0, 0, float(Width), float(Height));
    Ref<IDirect3DSurface8> blue, level;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, blue.out()), D3D_OK);
    fillLevel(blue.get(), 0xFF0000FF);
    ASSERT_EQ(picture->GetSurfaceLevel(0, level.out()), D3D_OK);
    ASSERT_EQ(device->CopyRects(blue.get(), nullptr, 0, level.get(), nullptr), D3D_OK);
    EXPECT_EQ(present()[Width * 20 + 30], 0xFF00FF00u);
}

TEST_F(DrawThreadsTest, CopyFromTheRenderTargetSeesTheDraws) {
    clear(0xFF000000);
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    Ref<IDirect3DSurface8> back, copy;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    ASSERT_EQ(device->CreateImageSurface(Width, Height, desc.Format, copy.out()), D3D_OK);
    ASSERT_EQ(device->CopyRects(back.get(), nullptr, 0, copy.get(), nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t pixel;
    std::memcpy(&pixel, static_cast<BYTE*>(locked.pBits) + 10 * locked.Pitch + 4 * 10, 4);
    EXPECT_EQ(pixel, 0xFFFF0000u);
    ASSERT_EQ(copy->UnlockRect(), D3D_OK);
}

TEST_F(DrawThreadsTest, UpdateOfASampledTextureWaitsForTheDraw) {
    Ref<IDirect3DTexture8> green, blue, shown;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, green.out()),
              D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, blue.out()),
              D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, shown.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> level;
    ASSERT_EQ(green->GetSurfaceLevel(0, level.out()), D3D_OK);
    fillLevel(level.get(), 0xFF00FF00);
    ASSERT_EQ(blue->GetSurfaceLevel(0, level.out()), D3D_OK);
    fillLevel(level.get(), 0xFF0000FF);
    ASSERT_EQ(device->UpdateTexture(green.get(), shown.get()), D3D_OK);
    drawPending(shown.get(), 0, 0, float(Width), float(Height));
    ASSERT_EQ(device->UpdateTexture(blue.get(), shown.get()), D3D_OK);
    EXPECT_EQ(present()[Width * 20 + 30], 0xFF00FF00u);
}

TEST_F(DrawThreadsTest, ClearComesAfterTheDrawsBeforeIt) {
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    clear(0xFF0000FF);
    const std::vector<uint32_t> pixels = present();
    EXPECT_EQ(pixels[0], 0xFF0000FFu);
    EXPECT_EQ(pixels[Width * Height - 1], 0xFF0000FFu);
}

TEST_F(DrawThreadsTest, ATextureReleasedWhileItsDrawWaitsIsStillDrawn) {
    IDirect3DTexture8* picture = solidTexture(0xFF00FF00).detach();
    drawPending(picture, 0, 0, float(Width), float(Height));
    EXPECT_EQ(picture->Release(), 0u);
    EXPECT_EQ(present()[Width * 20 + 30], 0xFF00FF00u);
}

TEST_F(DrawThreadsTest, ThePresentedFrameIsNotTouchedByTheNextFramesDraws) {
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000), blue = solidTexture(0xFF0000FF);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    EXPECT_EQ(present()[0], 0xFFFF0000u);
    drawPending(blue.get(), 0, 0, float(Width), float(Height));
    platform_ext::PresentedFrame frame;
    ASSERT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
    EXPECT_EQ(frame.at(5, 5), 0xFFFF0000u);
    EXPECT_EQ(present()[0], 0xFF0000FFu);
}

// More draws than a recording holds are played in parts, still in order.
TEST_F(DrawThreadsTest, AnOverlongSceneIsPlayedInOrder) {
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000), blue = solidTexture(0xFF0000FF);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (int i = 0; i < 5001; ++i) {
        ASSERT_EQ(device->SetTexture(0, i % 2 ? blue.get() : red.get()), D3D_OK);
        const std::vector<TransformedVertex> q = quad(0, 0, 8, 8, 0, 0, 1, 1);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0])), D3D_OK);
    }
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(present()[Width * 4 + 4], 0xFFFF0000u);
}

TEST_F(DrawThreadsTest, ThreadsComeWithTheFirstPlayAndGoWithTheDevice) {
    device.reset();
    // A sanitizer's runtime may start a thread of its own with the first thread of the program.
    std::thread([] {}).join();
    const int before = threadCount();
    ASSERT_GT(before, 0);
    useThreads(4, Width, Height);
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    // Locks, copies and presents with nothing recorded start no thread.
    EXPECT_EQ(present()[0], 0xFF000000u);
    EXPECT_EQ(threadCount(), before);
    // Nor does a scene of little work, which is played on the calling thread.
    drawPending(red.get(), 0, 0, 4, 4);
    EXPECT_EQ(present()[0], 0xFFFF0000u);
    EXPECT_EQ(threadCount(), before);
    // A scene over the whole target is handed to the threads as it is drawn.
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    EXPECT_EQ(threadCount(), before + 3);
    EXPECT_EQ(present()[Width * Height - 1], 0xFFFF0000u);
    EXPECT_EQ(threadCount(), before + 3);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    EXPECT_EQ(present()[0], 0xFFFF0000u);
    EXPECT_EQ(threadCount(), before + 3);
    red.reset();
    device.reset();
    EXPECT_EQ(threadCount(), before);
}

// A device released while its threads play a launched scene waits for them: the sanitizers
// see any write into the freed back buffer or texture.
TEST_F(DrawThreadsTest, ADeviceReleasedWhileItsThreadsPlayWaitsForThem) {
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000, 64);
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    red.reset();
    device.reset();
    SUCCEED();
}

// Between frames the threads sleep: over frames a few milliseconds apart, as a menu or a
// paused game draws them, the threads other than the caller's use a small part of a core.
TEST_F(DrawThreadsTest, ThreadsSleepBetweenFrames) {
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    const auto cpuSeconds = [](clockid_t clock) {
        timespec now = {};
        clock_gettime(clock, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    };
    drawPending(red.get(), 0, 0, float(Width), float(Height));
    present(); // the threads exist from here on
    constexpr int Frames = 20;
    const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double callerBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < Frames; ++i) {
        drawPending(red.get(), 0, 0, float(Width), float(Height));
        EXPECT_EQ(present()[0], 0xFFFF0000u);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const double others = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) -
                          (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - callerBefore);
    // Three threads that watched for the next play for a third of a millisecond after each
    // would use 18 ms; a play of this scene takes a few microseconds.
    EXPECT_LT(others, Frames * 3 * 150e-6);
}

// The variable is read when a device is made; a count the program sets comes before it.
TEST_F(DrawThreadsTest, TheVariableSetsTheCountUnlessTheProgramDoes) {
    device.reset();
    std::thread([] {}).join();
    const int before = threadCount();
    const char* saved = std::getenv("D3D8_THREADS");
    const std::string kept = saved != nullptr ? saved : "";
    const auto threadsAfterAPlay = [&](const char* variable, unsigned chosen) {
        setenv("D3D8_THREADS", variable, 1);
        platform_ext::setDrawThreadCount(chosen);
        createDevice(0, Width, Height, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
        platform_ext::setDrawThreadCount(0);
        EXPECT_EQ(device->SetVertexShader(TransformedFvf), D3D_OK);
        Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
        drawPending(red.get(), 0, 0, float(Width), float(Height));
        EXPECT_EQ(present()[0], 0xFFFF0000u);
        const int added = threadCount() - before;
        red.reset();
        device.reset();
        return added;
    };
    EXPECT_EQ(threadsAfterAPlay("3", 0), 2);
    EXPECT_EQ(threadsAfterAPlay("1", 0), 0);
    EXPECT_EQ(threadsAfterAPlay("1", 2), 1);
    EXPECT_EQ(threadsAfterAPlay("9999", 0), 63);
    if (saved != nullptr)
        setenv("D3D8_THREADS", kept.c_str(), 1);
    else
        unsetenv("D3D8_THREADS");
}

TEST_F(DrawThreadsTest, OneThreadDrawsAtOnce) {
    useThreads(1, Width, Height);
    const int before = threadCount();
    clear(0xFF000000);
    Ref<IDirect3DTexture8> red = solidTexture(0xFFFF0000);
    ASSERT_EQ(device->SetTexture(0, red.get()), D3D_OK);
    const std::vector<TransformedVertex> q = quad(0, 0, float(Width), float(Height), 0, 0, 1, 1);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0])), D3D_OK);
    // Still inside the scene, the back buffer's memory already holds the pixels.
    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t pixel;
    std::memcpy(&pixel, locked.pBits, 4);
    EXPECT_EQ(pixel, 0xFFFF0000u);
    ASSERT_EQ(back->UnlockRect(), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(threadCount(), before);
}

// A draw that samples a locked level is refused, on one thread and on four alike: drawn at once
// it would see the texels of its moment, played later on the draw threads those written before
// the unlock (found while the scene fuzzer learnt to hold texture locks across calls).
TEST_F(DrawThreadsTest, DrawWithALockedTextureIsRefused) {
    for (unsigned threads : {1u, 4u}) {
        useThreads(threads, Width, Height);
        clear(0xFF000000);
        Ref<IDirect3DTexture8> picture = solidTexture(0xFF00FF00);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(picture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, picture.get()), D3D_OK);
        const std::vector<TransformedVertex> q = quad(0, 0, float(Width), float(Height), 0, 0, 1, 1);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        const HRESULT hr = device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q.data(), sizeof(q[0]));
        ASSERT_EQ(device->EndScene(), D3D_OK);
        for (int i = 0; i < 16; ++i)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + (i / 4) * locked.Pitch + 4 * (i % 4),
                        "\xFF\x00\x00\xFF", 4);
        ASSERT_EQ(picture->UnlockRect(0), D3D_OK);
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        EXPECT_EQ(hr, D3DERR_INVALIDCALL) << threads << " threads";
        EXPECT_EQ(present()[Width * 20 + 30], 0xFF000000u) << threads << " threads";
    }
}

// The threads' runs in two parts, as a scene's launched draws and its rest are played: every
// chunk of both parts runs once, no chunk of the second part starts before the first part's
// chunks have all been taken, and join returns only when both are done. The second part is
// added once the workers have run out of the first and gone back to watching or to sleep, so
// the workers must take it up from there: its first chunk, on the caller, waits for another
// thread to run one of the others.
TEST(DrawThreadsRuns, EveryChunkOfBothPartsRunsOnceAndTheWorkersTakeUpTheSecond) {
    constexpr unsigned First = 9, Second = 12;
    struct Run {
        std::atomic<int> first[First];
        std::atomic<int> second[Second];
        std::atomic<unsigned> firstBegun{0};
        std::atomic<unsigned> secondBeforeFirstTaken{0};
        std::atomic<unsigned> secondOffCaller{0};
        std::atomic<bool> callerWaitedInVain{false};
        std::thread::id caller;
    };
    d3d8::DrawThreads threads(4);
    ASSERT_TRUE(threads.start());
    for (int round = 0; round < 40; ++round) {
        Run run;
        for (auto& count : run.first)
            count.store(0);
        for (auto& count : run.second)
            count.store(0);
        run.caller = std::this_thread::get_id();
        threads.launch(
            [](void* context, unsigned chunk) {
                Run& r = *static_cast<Run*>(context);
                r.firstBegun.fetch_add(1);
                r.first[chunk].fetch_add(1);
            },
            &run, First);
        // Between rounds the workers alternately still watch and sleep.
        const auto pause = std::chrono::steady_clock::now() +
                           std::chrono::microseconds(round % 2 ? 20 : 3000);
        while (!threads.finished() || std::chrono::steady_clock::now() < pause)
            std::this_thread::yield();
        threads.extend(
            [](void* context, unsigned chunk) {
                Run& r = *static_cast<Run*>(context);
                if (r.firstBegun.load() != First)
                    r.secondBeforeFirstTaken.fetch_add(1);
                if (std::this_thread::get_id() != r.caller) {
                    r.secondOffCaller.fetch_add(1);
                } else if (chunk == 0) {
                    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                    while (r.secondOffCaller.load() == 0) {
                        if (std::chrono::steady_clock::now() > until) {
                            r.callerWaitedInVain.store(true);
                            break;
                        }
                        std::this_thread::yield();
                    }
                }
                r.second[chunk].fetch_add(1);
            },
            &run, Second);
        threads.join();
        EXPECT_TRUE(threads.finished());
        for (unsigned c = 0; c < First; ++c)
            ASSERT_EQ(run.first[c].load(), 1) << "round " << round << ", first part, chunk " << c;
        for (unsigned c = 0; c < Second; ++c)
            ASSERT_EQ(run.second[c].load(), 1) << "round " << round << ", second part, chunk " << c;
        ASSERT_EQ(run.secondBeforeFirstTaken.load(), 0u) << "round " << round;
        ASSERT_FALSE(run.callerWaitedInVain.load()) << "round " << round;
        if (round % 8 == 0)
            threads.wake(); // a wake-up without work between runs changes nothing of the next
    }
}
