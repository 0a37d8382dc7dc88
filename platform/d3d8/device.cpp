// Device creation and teardown, reference counting, the device's queries, the swap chain's
// surfaces and scenes.
#include "d3d8/device.h"

#include "d3d8/device_caps.h"
#include "d3d8/direct3d.h"
#include "d3d8/draw_threads.h"
#include "d3d8/refusal.h"
#include "d3d8/state_block.h"
#include "d3d8/surface.h"
#include "d3d8/cube_texture.h"
#include "d3d8/texture.h"
#include "d3d8/texture_base.h"
#include "d3d8/volume_texture.h"
#include "internal/frame_breakdown.h"
#include "internal/window_bridge.h"

#include <algorithm>
#include <atomic>
#include <emmintrin.h>
#include <new>
#include <typeinfo>

namespace d3d8 {

// Bands per thread: a thread that is done can take over part of a slower one's share, and the
// caller, which joins a launched play late, finds bands small enough to even out the end.
constexpr unsigned BandsPerThread = 4;

struct BandPlay {
    const DrawQueue* queue = nullptr;
    unsigned count = 0;
    RowRange bands[MaxDrawThreads * BandsPerThread];
    // Set as each band is played: a play launched after this one waits for the bands it
    // overlaps.
    std::atomic<bool> played[MaxDrawThreads * BandsPerThread];
    const BandPlay* after = nullptr; // the play to wait for, or none

    // Splits `drawn` into `bandCount` bands of about equal work.
    void prepare(const DrawQueue& drawn, unsigned bandCount, const BandPlay* before) {
        queue = &drawn;
        count = bandCount;
        after = before;
        drawn.splitRows(count, bands);
        for (unsigned i = 0; i < count; ++i)
            played[i].store(false, std::memory_order_relaxed);
    }
};

namespace {

constexpr DWORD VertexProcessingFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                        D3DCREATE_MIXED_VERTEXPROCESSING;
constexpr DWORD KnownBehaviorFlags =
    VertexProcessingFlags | D3DCREATE_FPU_PRESERVE | D3DCREATE_MULTITHREADED | D3DCREATE_PUREDEVICE;
constexpr UINT AvailableTextureMemory = 256u << 20;

HRESULT checkBehavior(DWORD flags) {
    if ((flags & ~KnownBehaviorFlags) != 0)
        return refuse(D3DERR_INVALIDCALL, "behaviour flags 0x%x hold unknown bits", flags);
    const DWORD processing = flags & VertexProcessingFlags;
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return refuse(D3DERR_INVALIDCALL, "exactly one vertex processing flag is needed");
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING || (flags & D3DCREATE_PUREDEVICE))
        return refuse(D3DERR_INVALIDCALL, "the device has no hardware vertex processing: ask for "
                                          "D3DCREATE_SOFTWARE_VERTEXPROCESSING");
    return D3D_OK;
}

HRESULT checkPresentation(const D3DPRESENT_PARAMETERS& p, D3DFORMAT desktop) {
    if (!p.Windowed)
        return refuse(D3DERR_INVALIDCALL, "the device runs windowed only");
    if (p.BackBufferFormat != desktop)
        return refuse(D3DERR_INVALIDCALL,
                      "a windowed back buffer takes the desktop's format %u, not %u",
                      unsigned(desktop), unsigned(p.BackBufferFormat));
    if (p.BackBufferCount > 1)
        return refuse(D3DERR_INVALIDCALL, "one back buffer at most, not %u", p.BackBufferCount);
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE)
        return refuse(D3DERR_INVALIDCALL, "no multisampling");
    if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC)
        return refuse(D3DERR_INVALIDCALL, "swap effect %u is not one", unsigned(p.SwapEffect));
    if (p.EnableAutoDepthStencil)
        return refuse(D3DERR_NOTAVAILABLE, "the device has no depth buffers");
    if ((p.Flags & ~DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER)) != 0)
        return refuse(D3DERR_INVALIDCALL, "presentation flags 0x%x hold unknown bits", p.Flags);
    if (p.FullScreen_RefreshRateInHz != 0)
        return refuse(D3DERR_INVALIDCALL, "a windowed device has no refresh rate of its own");
    const UINT interval = p.FullScreen_PresentationInterval;
    if (interval != D3DPRESENT_INTERVAL_DEFAULT && interval != D3DPRESENT_INTERVAL_ONE &&
        interval != D3DPRESENT_INTERVAL_IMMEDIATE)
        return refuse(D3DERR_INVALIDCALL, "presentation interval 0x%x is not offered", interval);
    return D3D_OK;
}

// Width and height of 0 take the window's client size, which only the window layer knows.
HRESULT resolveBackBufferSize(HWND window, UINT* width, UINT* height) {
    if (*width == 0 || *height == 0) {
        const platform_internal::WindowBridge* bridge = platform_internal::windowBridge();
        UINT clientWidth = 0, clientHeight = 0;
        if (bridge == nullptr || window == nullptr ||
            !bridge->clientSize(window, &clientWidth, &clientHeight))
            return refuse(D3DERR_INVALIDCALL,
                          "a back buffer of size 0 takes the window's client size, but there "
                          "is no known window");
        if (*width == 0)
            *width = clientWidth;
        if (*height == 0)
            *height = clientHeight;
    }
    if (*width == 0 || *height == 0 || *width > MaxSurfaceExtent || *height > MaxSurfaceExtent)
        return refuse(D3DERR_INVALIDCALL, "a back buffer of %ux%u is not possible", *width,
                      *height);
    return D3D_OK;
}

} // namespace

Device::Device(Direct3D* direct3D, HWND focusWindow, DWORD behaviorFlags,
               const D3DPRESENT_PARAMETERS& parameters)
    : direct3D_(direct3D), profile_(direct3D->profile()), presentation_(parameters),
      window_(parameters.hDeviceWindow != nullptr ? parameters.hDeviceWindow : focusWindow),
      drawThreadCount_(configuredDrawThreadCount()) {
    direct3D_->AddRef();
    fillDeviceCaps(profile_, &caps_);
    creation_ = {D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, focusWindow, behaviorFlags};
    setDefaultDrawingState(&state_, parameters.BackBufferWidth, parameters.BackBufferHeight, true);
    for (UINT i = 0; i < 256; ++i) {
        const WORD level = WORD(i * 0x101);
        gammaRamp_.red[i] = gammaRamp_.green[i] = gammaRamp_.blue[i] = level;
    }
}

Device::~Device() {
    // Nothing can see the pixels of draws still recorded: they are dropped with their bindings.
    // Launched ones are writing the back buffer and must end first.
    finishLaunchedDraws();
    drawThreads_.reset();
    recorded_.clear();
    delete recording_;
    for (StateBlock*& block : stateBlocks_) {
        delete block;
        block = nullptr;
    }
    for (DWORD stage = 0; stage < StageCount; ++stage)
        applyTexture(stage, nullptr);
    delete backBuffer_;
    direct3D_->Release();
}

HRESULT Device::create(Direct3D* direct3D, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** out) {
    if (out == nullptr || parameters == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CreateDevice without parameters or output");
    HRESULT hr = checkBehavior(behaviorFlags);
    if (SUCCEEDED(hr))
        hr = checkPresentation(*parameters, desktopFormat(direct3D->profile()));
    D3DPRESENT_PARAMETERS resolved = *parameters;
    const HWND window = resolved.hDeviceWindow != nullptr ? resolved.hDeviceWindow : focusWindow;
    if (SUCCEEDED(hr))
        hr = resolveBackBufferSize(window, &resolved.BackBufferWidth, &resolved.BackBufferHeight);
    if (FAILED(hr))
        return hr;
    if (resolved.BackBufferCount == 0)
        resolved.BackBufferCount = 1;

    Device* device = new (std::nothrow) Device(direct3D, focusWindow, behaviorFlags, resolved);
    if (device == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a device");
    hr = device->createSwapChain();
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *parameters = resolved;
    *out = device;
    return D3D_OK;
}

HRESULT Device::createSwapChain() {
    const D3DPRESENT_PARAMETERS& p = presentation_;
    const bool lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    const Surface::Params params = {p.BackBufferFormat,    p.BackBufferWidth, p.BackBufferHeight,
                                    D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,   lockable};
    HRESULT hr = Surface::create(this, this, params, &backBuffer_);
    if (SUCCEEDED(hr))
        hr = frontBuffer_.allocate(backBuffer_->store().layout(), p.BackBufferWidth,
                                   p.BackBufferHeight, 1);
    if (FAILED(hr))
        return hr;
    // Opaque black, with the unused byte of 32-bit pixels at 0xFF as every later write keeps it.
    if (p.BackBufferFormat == D3DFMT_X8R8G8B8)
        for (LevelStore* buffer : {&backBuffer_->store(), &frontBuffer_})
            std::fill_n(buffer->words(), buffer->geometry().size / 4, 0xFF000000u);
    return D3D_OK;
}

HRESULT Device::QueryInterface(REFIID riid, void** ppvObj) {
    if (ppvObj == nullptr)
        return refuse(E_POINTER, "QueryInterface without an output");
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice8) {
        *ppvObj = static_cast<IDirect3DDevice8*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::AddRef() {
    return ++refs_;
}

ULONG Device::Release() {
    if (refs_ == 0)
        return 0;
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

// The device's own resources are recognised by their exact type: a comparison of type
// descriptions, where a cross-cast to TextureBase would walk the class hierarchy.
TextureBase* Device::ownTexture(IDirect3DBaseTexture8* texture) const {
    TextureBase* own = nullptr;
    if (texture == nullptr)
        return nullptr;
    const std::type_info& type = typeid(*texture);
    if (type == typeid(Texture))
        own = static_cast<Texture*>(texture);
    else if (type == typeid(CubeTexture))
        own = static_cast<CubeTexture*>(texture);
    else if (type == typeid(VolumeTexture))
        own = static_cast<VolumeTexture*>(texture);
    return own != nullptr && own->device() == this ? own : nullptr;
}

Surface* Device::ownSurface(IDirect3DSurface8* surface) const {
    if (surface == nullptr || typeid(*surface) != typeid(Surface))
        return nullptr;
    Surface* own = static_cast<Surface*>(surface);
    return own->device() == this ? own : nullptr;
}

HRESULT Device::TestCooperativeLevel() {
    return D3D_OK;
}

UINT Device::GetAvailableTextureMem() {
    return AvailableTextureMemory;
}

HRESULT Device::ResourceManagerDiscardBytes(DWORD) {
    return D3D_OK;
}

HRESULT Device::GetDirect3D(IDirect3D8** ppD3D8) {
    if (ppD3D8 == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDirect3D without an output");
    direct3D_->AddRef();
    *ppD3D8 = direct3D_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (pCaps == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDeviceCaps without an output");
    *pCaps = caps_;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    if (pMode == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDisplayMode without an output");
    *pMode = direct3D_->displayMode();
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    if (pParameters == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetCreationParameters without an output");
    *pParameters = creation_;
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE,
                              IDirect3DSurface8** ppBackBuffer) {
    if (ppBackBuffer == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetBackBuffer without an output");
    if (BackBuffer != 0)
        return refuse(D3DERR_INVALIDCALL, "back buffer %u does not exist; there is one",
                      BackBuffer);
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_;
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(D3DRASTER_STATUS*) {
    return refuse(D3DERR_INVALIDCALL, "the device has no raster status");
}

void Device::SetGammaRamp(DWORD, const D3DGAMMARAMP* pRamp) {
    if (pRamp != nullptr)
        gammaRamp_ = *pRamp;
}

void Device::GetGammaRamp(D3DGAMMARAMP* pRamp) {
    if (pRamp != nullptr)
        *pRamp = gammaRamp_;
}

HRESULT Device::SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) {
    if (pNewZStencil != nullptr)
        return refuse(D3DERR_INVALIDCALL, "the device has no depth buffers");
    if (pRenderTarget != nullptr && ownSurface(pRenderTarget) != backBuffer_)
        return refuse(D3DERR_INVALIDCALL, "the back buffer is the only render target");
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** ppRenderTarget) {
    return GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, ppRenderTarget);
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) {
    if (ppZStencilSurface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDepthStencilSurface without an output");
    *ppZStencilSurface = nullptr;
    return refuse(D3DERR_NOTFOUND, "the device has no depth buffer");
}

HRESULT Device::BeginScene() {
    if (inScene_)
        return refuse(D3DERR_INVALIDCALL, "BeginScene inside a scene");
    // A scene without Present after it must not leave its draws waiting for ever.
    playRecordedDraws();
    inScene_ = true;
    // A scene like the last, which the threads played, has them awake by its first launch.
    if (threadsPlayedScene_)
        drawThreads_->wake();
    threadsPlayedScene_ = false;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_)
        return refuse(D3DERR_INVALIDCALL, "EndScene outside a scene");
    inScene_ = false;
    return D3D_OK;
}

namespace {

// Recorded work of at least a quarter of the back buffer's pixels is launched at once: enough
// to keep the threads busy while they wake and this thread goes on.
constexpr int64_t LaunchShare = 4;
// A play of less than an eighth of the back buffer's pixels stays on the calling thread, where
// it costs less than waking another (a menu, a counter over a still frame).
constexpr int64_t SmallPlayShare = 8;

// The other play's bands over `rows` are being played by threads that took them before this
// play was launched, so the wait is short and always ends.
void awaitBandsPlayed(const BandPlay& before, RowRange rows) {
    for (unsigned i = 0; i < before.count; ++i) {
        const RowRange other = before.bands[i];
        if (other.begin >= other.end || other.end <= rows.begin || other.begin >= rows.end)
            continue;
        while (!before.played[i].load(std::memory_order_acquire))
            _mm_pause();
    }
}

void playBand(void* context, unsigned band) {
    BandPlay& play = *static_cast<BandPlay*>(context);
    if (play.after != nullptr)
        awaitBandsPlayed(*play.after, play.bands[band]);
    play.queue->play(play.bands[band]);
    play.played[band].store(true, std::memory_order_release);
}

} // namespace

int64_t Device::backBufferArea() const {
    return int64_t(backBuffer_->store().width()) * backBuffer_->store().height();
}

bool Device::readyDrawThreads() {
    if (drawThreads_ == nullptr)
        drawThreads_.reset(new (std::nothrow) DrawThreads(drawThreadCount_));
    return drawThreads_ != nullptr && drawThreads_->start();
}

void Device::playRecordedDraws() {
    const bool threaded = !recorded_.empty() &&
                          recorded_.work() * SmallPlayShare >= backBufferArea() &&
                          readyDrawThreads();
    if (threaded && launchedPending_) {
        // The rest of the scene follows the launched draws band by band: a thread that is
        // done with its launched bands goes on with the rest instead of waiting for all.
        BandPlay play;
        play.prepare(recorded_, drawThreads_->count() * BandsPerThread, launchedPlay_.get());
        drawThreads_->extend(playBand, &play, play.count);
        drawThreads_->join();
        launchedPending_ = false;
        launched_.clear();
        recorded_.clear();
        ++drawBatch_;
        threadsPlayedScene_ = true;
        return;
    }
    finishLaunchedDraws();
    if (recorded_.empty())
        return;
    if (threaded) {
        BandPlay play;
        play.prepare(recorded_, drawThreads_->count() * BandsPerThread, nullptr);
        drawThreads_->run(playBand, &play, play.count);
        threadsPlayedScene_ = true;
    } else {
        const platform_internal::FramePartScope part(platform_ext::PartPlay);
        recorded_.play(AllRows);
    }
    recorded_.clear();
    ++drawBatch_;
}

void Device::launchRecordedDraws() {
    if (launchedPending_) {
        // One launch at a time; one that is over is put away at no cost.
        if (!drawThreads_->finished())
            return;
        finishLaunchedDraws();
    }
    if (recorded_.work() * LaunchShare < backBufferArea() || !readyDrawThreads())
        return;
    if (launchedPlay_ == nullptr) {
        launchedPlay_.reset(new (std::nothrow) BandPlay);
        if (launchedPlay_ == nullptr)
            return;
    }
    launched_.swap(recorded_);
    launchedPlay_->prepare(launched_, drawThreads_->count() * BandsPerThread, nullptr);
    drawThreads_->launch(playBand, launchedPlay_.get(), launchedPlay_->count);
    launchedPending_ = true;
    threadsPlayedScene_ = true;
    launchedBatch_ = drawBatch_++;
    platform_internal::countEarlyPlay();
}

void Device::finishLaunchedDraws() {
    if (!launchedPending_)
        return;
    drawThreads_->join();
    launchedPending_ = false;
    launched_.clear();
}

void Device::finishDrawsBefore(const LevelStore& level, bool writes) {
    if (recorded_.empty() && !launchedPending_)
        return;
    const uint64_t sampled = level.sampledBatch();
    if (&level == &backBuffer_->store() || (writes && sampled == drawBatch_))
        playRecordedDraws();
    else if (writes && launchedPending_ && sampled == launchedBatch_)
        finishLaunchedDraws();
}

} // namespace d3d8

namespace platform_ext {

unsigned drawThreadCount(IDirect3DDevice8* device) {
    const d3d8::Device* own = dynamic_cast<d3d8::Device*>(device);
    return own != nullptr ? own->drawThreadCount() : 0;
}

} // namespace platform_ext
