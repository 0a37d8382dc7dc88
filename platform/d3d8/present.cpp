// Present: the back buffer becomes the shown frame (a flip for a discarding or flipping swap
// chain, a copy otherwise), goes to the window through the window bridge when there is one,
// and stays readable for tests and tools through lastPresentedFrame and the present observer.
#include "d3d8/device.h"
#include "d3d8/pixel_math.h"
#include "d3d8/refusal.h"
#include "d3d8/surface.h"
#include "internal/frame_breakdown.h"
#include "internal/window_bridge.h"

#include <cstring>

namespace {

platform_ext::PresentObserver presentObserver = nullptr;
void* presentObserverUser = nullptr;

platform_ext::FrameView viewOf(const d3d8::LevelStore& frame, uint64_t sequence) {
    return {frame.width(),  frame.height(), frame.geometry().rowPitch,
            frame.format(), frame.bits(),   sequence};
}

} // namespace

namespace d3d8 {

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const RGNDATA* pDirtyRegion) {
    const platform_internal::FramePartScope part(platform_ext::PartPresent);
    if (pSourceRect != nullptr || pDestRect != nullptr || pDirtyRegion != nullptr)
        return refuse(D3DERR_INVALIDCALL,
                      "Present shows the whole back buffer; rectangles and regions are not "
                      "supported");
    if (inScene_)
        return refuse(D3DERR_INVALIDCALL, "Present inside a scene");
    LevelStore& back = backBuffer_->store();
    if (back.locked())
        return refuse(D3DERR_INVALIDCALL, "Present of a locked back buffer");
    playRecordedDraws();

    // A discarded back buffer is undefined after Present, so the two buffers trade places.
    if (presentation_.SwapEffect == D3DSWAPEFFECT_COPY ||
        presentation_.SwapEffect == D3DSWAPEFFECT_COPY_VSYNC) {
        std::memcpy(frontBuffer_.bits(), back.bits(), size_t(back.geometry().size));
        frontBuffer_.markChanged();
    } else {
        back.swapMemory(frontBuffer_);
    }
    presented_ = true;
    ++presentCount_;

    const platform_ext::FrameView view = viewOf(frontBuffer_, presentCount_);
    const HWND target = hDestWindowOverride != nullptr ? hDestWindowOverride : window_;
    const platform_internal::WindowBridge* bridge = platform_internal::windowBridge();
    if (bridge != nullptr && target != nullptr)
        bridge->present(target, view);
    if (presentObserver != nullptr) {
        const platform_internal::FramePartScope observing(platform_ext::PartObserver);
        presentObserver(this, view, presentObserverUser);
    }
    return D3D_OK;
}

} // namespace d3d8

namespace platform_ext {

bool lastPresentedFrame(IDirect3DDevice8* device, PresentedFrame* out) {
    const d3d8::Device* own = dynamic_cast<d3d8::Device*>(device);
    if (own == nullptr || out == nullptr || own->presentedFrame() == nullptr)
        return false;
    const d3d8::LevelStore& frame = *own->presentedFrame();
    out->width = frame.width();
    out->height = frame.height();
    out->sequence = own->presentCount();
    out->pixels.resize(size_t(frame.width()) * frame.height());
    for (UINT y = 0; y < frame.height(); ++y) {
        const BYTE* row = frame.bits() + size_t(y) * frame.geometry().rowPitch;
        uint32_t* to = out->pixels.data() + size_t(y) * frame.width();
        for (UINT x = 0; x < frame.width(); ++x) {
            if (frame.format() == D3DFMT_R5G6B5) {
                uint16_t pixel;
                std::memcpy(&pixel, row + 2 * x, 2);
                to[x] = d3d8::argbOfR5G6B5(pixel);
            } else {
                uint32_t pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                to[x] = pixel | 0xFF000000u;
            }
        }
    }
    return true;
}

void setPresentObserver(PresentObserver observer, void* user) {
    presentObserver = observer;
    presentObserverUser = user;
}

} // namespace platform_ext
