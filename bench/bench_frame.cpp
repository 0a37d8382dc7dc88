// The game's frame on the software device: a 640 x 480 blended background and five blended
// sprites (140 x 320, 220 x 150 and three 48 x 48) as screen-space quads at half-pixel offsets
// with texel-centred coordinates, bilinear filtering and white diffuse, then a headless
// Present; against a memcpy of the frame's bytes, the floor of any frame. A third figure has
// the three small sprites between pixels, as moving targets are, and two tinted text lines.
// The last is the game's frame with its two lines drawn by the text renderer, against the
// frame without them. The device draws on its default threads (one per processor); the game's
// frame is also drawn on a device with one thread, and `frame_scaling` is how much faster the
// default threads make it. The whole game's frame (background, targets between pixels,
// foreground, both text lines through the text renderer, Present) on the default threads
// against one thread gives `game_frame_threads` in elapsed time and `cpu_per_frame` in the
// processor time of the whole process (every draw thread's included, watching and waking too).
#include "bench/ratio_report.h"
#include "text/text_renderer.h"

#include "d3d8.h"
#include "platform_ext.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr UINT Width = 640;
constexpr UINT Height = 480;

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

// A picture like the game's: opaque inside an ellipse with a soft rim, transparent outside;
// `opaque` makes it opaque everywhere, as the background is.
IDirect3DTexture8* makePicture(IDirect3DDevice8* device, UINT w, UINT h, bool opaque,
                               uint32_t seed) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    uint32_t state = seed;
    for (UINT y = 0; y < h; ++y) {
        uint32_t* row =
            reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const double dx = (x + 0.5) / w * 2 - 1, dy = (y + 0.5) / h * 2 - 1;
            const double rim = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(w, h) / 2 / 3;
            const uint32_t alpha =
                opaque ? 255u : uint32_t(std::lround(std::fmin(1.0, std::fmax(0.0, rim)) * 255));
            row[x] = alpha << 24 | (state >> 8 & 0xFFFFFF);
        }
    }
    texture->UnlockRect(0);
    return texture;
}

// A line of text as the text renderer uploads it: white texels whose alpha is the glyphs'
// grey level, mostly transparent.
IDirect3DTexture8* makeText(IDirect3DDevice8* device) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(160, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < 16; ++y) {
        uint32_t* row =
            reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < 160; ++x) {
            const bool stroke = y > 2 && y < 13 && (x % 9 < 2 || (x % 9 < 7 && y % 5 == 3));
            row[x] = (stroke ? 255u : x % 9 == 2 ? 96u : 0u) << 24 | 0xFFFFFF;
        }
    }
    texture->UnlockRect(0);
    return texture;
}

class GameScene {
public:
    // `threads` 0 takes the device's default.
    explicit GameScene(unsigned threads) {
        platform_ext::setDrawThreadCount(threads);
        platform_ext::createHeadlessDevice(Width, Height, &device_);
        platform_ext::setDrawThreadCount(0);
        // The sprite batch's drawing state.
        device_->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device_->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        device_->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device_->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        background_ = makePicture(device_, Width, Height, true, 1);
        sprites_[0] = {makePicture(device_, 140, 320, false, 2), 60, 130};
        sprites_[1] = {makePicture(device_, 220, 150, false, 3), 380, 300};
        sprites_[2] = {makePicture(device_, 48, 48, false, 4), 250, 200};
        sprites_[3] = {makePicture(device_, 48, 48, false, 5), 320, 90};
        sprites_[4] = {makePicture(device_, 48, 48, false, 6), 470, 160};
        text_ = makeText(device_);
        createTextRendererFromFont(device_, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)),
                                   &textRenderer_);
    }

    ~GameScene() {
        if (textRenderer_ != nullptr)
            textRenderer_->release();
        for (Sprite& sprite : sprites_)
            sprite.texture->Release();
        background_->Release();
        text_->Release();
        device_->Release();
    }

    bool ready() const {
        return device_ != nullptr && background_ != nullptr && textRenderer_ != nullptr;
    }

    void drawBackground() { drawQuad(background_, 0, 0); }

    // With `moving`, the three small sprites (the game's targets) sit between pixels and are
    // filtered, and two text lines are drawn tinted, as the game's status and counter are.
    // With `withText`, the text renderer draws the game's two lines over the frame.
    void drawFrame(bool moving = false, bool withText = false) {
        device_->BeginScene();
        drawQuad(background_, 0, 0);
        for (int i = 0; i < 5; ++i) {
            const float offset = moving && i >= 2 ? 0.37f : 0.0f;
            drawQuad(sprites_[i].texture, float(sprites_[i].x) + offset,
                     float(sprites_[i].y) + offset * 1.6f);
        }
        if (moving) {
            drawQuad(text_, 0, 0, 0xFF00FF00);
            drawQuad(text_, 170, 0, 0xFFFF0000);
        }
        if (withText)
            drawText();
        device_->EndScene();
        device_->Present(nullptr, nullptr, nullptr, nullptr);
    }

    // The game's frame in its order: background, the three targets between pixels, the
    // foreground's two pictures, the counter's and the status line's text, Present.
    void drawGameFrame() {
        device_->BeginScene();
        drawQuad(background_, 0, 0);
        for (int i = 2; i < 5; ++i)
            drawQuad(sprites_[i].texture, float(sprites_[i].x) + 0.37f,
                     float(sprites_[i].y) + 0.59f);
        for (int i = 0; i < 2; ++i)
            drawQuad(sprites_[i].texture, float(sprites_[i].x), float(sprites_[i].y));
        drawText();
        device_->EndScene();
        device_->Present(nullptr, nullptr, nullptr, nullptr);
    }

    IDirect3DDevice8* device() const { return device_; }

private:
    struct Sprite {
        IDirect3DTexture8* texture;
        int x, y;
    };

    // The game's two lines: the frame counter at the top-left, the status line centred.
    void drawText() {
        RECT client = {0, 0, LONG(Width), LONG(Height)};
        textRenderer_->begin();
        textRenderer_->drawText("fps: 1234", -1, &client, 0, 0xFF00FF00);
        textRenderer_->drawText("Score: 12 Temps restant: 17", -1, &client, DT_CENTER, 0xFFFF0000);
        textRenderer_->end();
    }

    // The sprite batch's quad: corners half a pixel up and left, texel-centred.
    void drawQuad(IDirect3DTexture8* texture, float x, float y, D3DCOLOR color = 0xFFFFFFFF) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        const float left = x - 0.5f, top = y - 0.5f;
        const float right = left + float(desc.Width), bottom = top + float(desc.Height);
        const Vertex quad[4] = {{left, top, 0, 1, color, 0, 0},
                                {left, bottom, 0, 1, color, 0, 1},
                                {right, bottom, 0, 1, color, 1, 1},
                                {right, top, 0, 1, color, 1, 0}};
        device_->SetTexture(0, texture);
        device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex));
    }

    IDirect3DDevice8* device_ = nullptr;
    IDirect3DTexture8* background_ = nullptr;
    IDirect3DTexture8* text_ = nullptr;
    Sprite sprites_[5] = {};
    TextRenderer* textRenderer_ = nullptr;
};

GameScene& scene() {
    static GameScene instance(0);
    return instance;
}

GameScene& sceneOnOneThread() {
    static GameScene instance(1);
    return instance;
}

void MemcpyFrame(benchmark::State& state) {
    std::vector<uint32_t> source(Width * Height, 0x12345678u), target(Width * Height);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * 4);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MemcpyFrame);

void FullScreenQuad(benchmark::State& state) {
    if (!scene().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        scene().device()->BeginScene();
        scene().drawBackground();
        scene().device()->EndScene();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(FullScreenQuad);

void GameFrame(benchmark::State& state) {
    if (!scene().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        scene().drawFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrame);

void GameFrameOneThread(benchmark::State& state) {
    if (!sceneOnOneThread().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        sceneOnOneThread().drawFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrameOneThread);

void GameFrameMoving(benchmark::State& state) {
    if (!scene().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        scene().drawFrame(true);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrameMoving);

void GameFrameWithText(benchmark::State& state) {
    if (!scene().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        scene().drawFrame(false, true);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrameWithText);

void GameFrameAllParts(benchmark::State& state) {
    if (!scene().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        scene().drawGameFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrameAllParts);

void GameFrameAllPartsOneThread(benchmark::State& state) {
    if (!sceneOnOneThread().ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        sceneOnOneThread().drawGameFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(GameFrameAllPartsOneThread);

double processCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The processor time of the whole process per game frame, as the benchmark's manual time.
void cpuPerGameFrame(benchmark::State& state, GameScene& scene) {
    if (!scene.ready())
        return state.SkipWithError("no device");
    for (auto _ : state) {
        const double start = processCpuSeconds();
        scene.drawGameFrame();
        benchmark::ClobberMemory();
        state.SetIterationTime(processCpuSeconds() - start);
    }
}

void CpuGameFrame(benchmark::State& state) {
    cpuPerGameFrame(state, scene());
}
BENCHMARK(CpuGameFrame)->UseManualTime();

void CpuGameFrameOneThread(benchmark::State& state) {
    cpuPerGameFrame(state, sceneOnOneThread());
}
BENCHMARK(CpuGameFrameOneThread)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv,
                                {{"fullquad", "FullScreenQuad", "MemcpyFrame"},
                                 {"frame", "GameFrame", "MemcpyFrame"},
                                 {"frame_one_thread", "GameFrameOneThread", "MemcpyFrame"},
                                 {"frame_scaling", "GameFrameOneThread", "GameFrame"},
                                 {"frame_moving", "GameFrameMoving", "MemcpyFrame"},
                                 {"text", "GameFrameWithText", "GameFrame"},
                                 {"game_frame_threads", "GameFrameAllParts",
                                  "GameFrameAllPartsOneThread"},
                                 {"cpu_per_frame", "CpuGameFrame/manual_time",
                                  "CpuGameFrameOneThread/manual_time"}});
}
