// Cost of the GDI side of the game's on-screen text, per frame: measuring and rendering the
// frame counter and the status line into a DIB as the text renderer does, against copying one
// 640 x 480 32-bit frame, the least any frame costs. The target is text at most 15% of a frame.
#include "bench/ratio_report.h"
#include "windows.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr size_t FramePixels = 640 * 480;

void ReferenceFrameCopy(benchmark::State& state) {
    std::vector<uint32_t> source(FramePixels, 0x00336699);
    std::vector<uint32_t> target(FramePixels);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), FramePixels * 4);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ReferenceFrameCopy);

void drawLikeTheRenderer(HDC dc, uint32_t* bits, int pitch, const char* text, UINT format) {
    RECT measured{0, 0, 640, 480};
    DrawTextA(dc, text, -1, &measured, format | DT_CALCRECT);
    const int width = measured.right - measured.left;
    const int height = measured.bottom - measured.top;
    for (int y = 0; y < height; ++y)
        std::memset(bits + size_t(y) * pitch, 0, size_t(width) * 4);
    RECT area{0, 0, width, height};
    DrawTextA(dc, text, -1, &area, format);
}

void GdiTextOfAFrame(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ initial = SelectObject(dc, dib);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    auto* pixels = static_cast<uint32_t*>(bits);
    for (auto _ : state) {
        drawLikeTheRenderer(dc, pixels, 256, "fps: 60", 0);
        drawLikeTheRenderer(dc, pixels, 256, "Score: 12 Temps restant: 17", DT_CENTER);
        benchmark::ClobberMemory();
    }
    SelectObject(dc, initial);
    DeleteObject(dib);
    DeleteDC(dc);
}
BENCHMARK(GdiTextOfAFrame);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv,
                                {{"gdi text/frame copy", "GdiTextOfAFrame", "ReferenceFrameCopy"}});
}
