// Extensions of the platform layer for tests, tools and the headless demonstration:
// software-device capability profiles, presented frames, a replaceable clock, injected
// input, observed message boxes and faked processor answers. The game never uses them.
#pragma once

#include "d3d8.h"
#include "processor.h"
#include "windows.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform_ext {

// ---- Capability profiles of the software Direct3D 8 device --------------------------------

enum DeviceProfileFlag : uint32_t {
    ProfilePow2 = 1u << 0,          // "pow2": texture sizes must be powers of two
    ProfileSquare = 1u << 1,        // "square": square textures only
    ProfileNoMip = 1u << 2,         // "nomip": no mip maps
    ProfilePow2Cond = 1u << 3,      // "pow2cond": conditional non-power-of-two
    ProfileSmall = 1u << 4,         // "small": textures of at most 256 x 256
    ProfileNoBlend = 1u << 5,       // "noblend": no source-alpha blending
    ProfileUntransformed = 1u << 6, // "untransformed": no clipped transformed vertices
    ProfileNoDynamic = 1u << 7,     // "nodynamic": no dynamic textures
    ProfileFewFormats = 1u << 8,    // "fewformats": no A8R8G8B8 textures
    ProfileDesktop16 = 1u << 9,     // "desktop16": a 16-bit (R5G6B5) desktop
};

// Parses names joined by commas ("pow2,nomip"); "" and "default" mean no flag. On an unknown
// name returns false and stores the name in *unknownName when that is given.
bool parseDeviceProfile(const char* names, uint32_t* flags, std::string* unknownName = nullptr);

// The profile of Direct3D objects created from now on. Until set, it comes from the
// environment variable D3D8_PROFILE; an unknown name there makes Direct3DCreate8 report the
// name on standard error and return null.
void setDeviceProfile(uint32_t flags);
void resetDeviceProfile();

// A windowed device without a window on the desktop's format, with a back buffer of the given
// size, the profile in force and software vertex processing: what tests, tools and
// benchmarks draw on. The device holds its Direct3D object; the caller releases the device.
HRESULT createHeadlessDevice(UINT width, UINT height, IDirect3DDevice8** device);

// ---- Draw threads ----------------------------------------------------------------------------

// Devices made from now on draw on `count` threads (1 draws at once on the calling thread, as a
// device always did); 0 goes back to the environment variable D3D8_THREADS or, without it, the
// number of processors. A device keeps the count it was made with. The pixels are the same
// whatever the count.
void setDrawThreadCount(unsigned count);
// The thread count `device` draws on; 0 when it is not a device of the platform.
unsigned drawThreadCount(IDirect3DDevice8* device);

// ---- Where a frame's time goes ---------------------------------------------------------------

// The parts of the drawing thread's time. Each nanosecond goes to the innermost part open at the
// time (play inside Present is play), or to PartOther: the program's own work and the calls
// not listed, such as state changes.
enum FramePart : unsigned {
    PartOther,    // everything outside the parts below: the game's logic, state calls
    PartDraw,     // DrawPrimitiveUP: vertices, clipping, and either recording or, on one thread,
                  // the shading itself
    PartText,     // DrawTextA and DrawTextW: measuring and rasterising text
    PartLock,     // held locks of surfaces other than the back buffer: uploads such as text tiles
    PartPlay,     // the drawing thread shading its share of recorded draws
    PartPlayWait, // the drawing thread waiting for the draw threads to finish a play
    PartPresent,  // Present without its play and observer: the copy or swap, the window
    PartObserver, // the present observer (the caller's own)
    FramePartCount
};

struct FrameBreakdown {
    uint64_t nanoseconds[FramePartCount] = {}; // of the calling thread, since it first counted
    // All draw threads of all devices: running chunks, watching for work, asleep, and how
    // often a sleeping one was woken.
    uint64_t workerWorkNs = 0;
    uint64_t workerSpinNs = 0;
    uint64_t workerSleepNs = 0;
    uint64_t workerWakeUps = 0;
    // Plays handed to the draw threads while the scene went on (counted always, all devices).
    uint64_t earlyPlays = 0;
};

// Turns the counting on or off (off at start: it costs two clock reads per part).
void enableFrameBreakdown(bool on);
// The counts so far; the calling thread's open part is counted up to now.
void readFrameBreakdown(FrameBreakdown* out);

// ---- Device memory ---------------------------------------------------------------------------

// The software device keeps the memory of large released levels for the next level of the same
// size. This frees what it keeps, so that the next levels are allocated afresh.
void releaseKeptDeviceMemory();

// A lock flag of the software device alone: the caller writes every pixel of the level before
// it unlocks, so memory that nothing has reached since the level was made is handed out as it
// is, not cleared first (the bytes past the end of each row are cleared by the device). Only for
// a lock of the whole surface or volume that writes; any other is refused with
// D3DERR_INVALIDCALL.
constexpr DWORD LockOverwritesLevel = 0x00200000;

// ---- Presented frames -----------------------------------------------------------------------

// A presented back buffer as it lies in the device's memory; valid during the observer call.
struct FrameView {
    UINT width;
    UINT height;
    UINT pitch;        // bytes from one row to the next
    D3DFORMAT format;  // D3DFMT_X8R8G8B8 or D3DFMT_R5G6B5
    const void* bits;  // top row first
    uint64_t sequence; // 1 for the device's first Present, then counting up
};

// A copy of a presented frame, converted to 0xFFRRGGBB words, top row first.
struct PresentedFrame {
    UINT width = 0;
    UINT height = 0;
    uint64_t sequence = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};

// Copies the frame the device presented last; false when it has not presented yet.
bool lastPresentedFrame(IDirect3DDevice8* device, PresentedFrame* out);

// Called after every Present of any device, on the presenting thread. Null removes it.
using PresentObserver = void (*)(IDirect3DDevice8* device, const FrameView& frame, void* user);
void setPresentObserver(PresentObserver observer, void* user);

// ---- Clock ------------------------------------------------------------------------------------

// GetTickCount answers from this source from now on; null restores the monotonic clock.
using TickSource = DWORD (*)();
void setTickSource(TickSource source);

// ---- Input, as if it came from the window system ----------------------------------------------

// Client coordinates. Button 0 is the left button, 1 the right one, 2 the middle one.
void injectMouseMove(HWND window, int x, int y);
void injectMouseButton(HWND window, int button, bool down, int x, int y);
void injectKey(HWND window, UINT virtualKey, bool down);
void injectCloseRequest(HWND window); // the title bar's close box

// True when windows are shown on a real display; false when the layer runs headless.
bool hasDisplay();

// ---- Message boxes ------------------------------------------------------------------------------

struct MessageBoxCall {
    HWND owner;
    std::string text;    // Windows-1252, as passed
    std::string caption; // Windows-1252, as passed
    UINT type;
};

// Called for every MessageBoxA before it is shown (or answered at once when headless).
// Returning a non-zero button answers the box without showing it. Null removes it.
using MessageBoxObserver = int (*)(const MessageBoxCall& call, void* user);
void setMessageBoxObserver(MessageBoxObserver observer, void* user);

// ---- Processor, system and registry answers, for tests of the feature queries -------------------

// cpuid() answers through the hook from now on; null restores the real instruction.
using CpuidHook = bool (*)(DWORD leaf, CpuidRegisters* out);
void setCpuidHook(CpuidHook hook);

// GetVersionExA answers through the hook from now on; null restores the real answer.
using VersionHook = BOOL (*)(OSVERSIONINFOA* info);
void setVersionHook(VersionHook hook);

// The registry is read from this .reg file from now on; null goes back to the file named by
// the environment variable BOSQUETIR_REGISTRY.
void setRegistryFile(const char* path);

} // namespace platform_ext
