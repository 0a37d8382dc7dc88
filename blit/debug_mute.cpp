// The debug-mute bracket over the runtime modules "d3d8.dll" and "d3d8d.dll".
#include "blit/debug_mute.h"

#include "windows.h"

namespace {

using DebugSetMuteProc = void (*)(BOOL mute);

const char* const runtimeModuleTable[] = {"d3d8.dll", "d3d8d.dll"};
constexpr int runtimeModuleCount = 2;

// Entry points once found are kept for the rest of the run.
DebugSetMuteProc muteEntryPoints[runtimeModuleCount] = {};

void lookUpEntryPoints() {
    for (int i = 0; i < runtimeModuleCount; ++i) {
        if (muteEntryPoints[i] != nullptr)
            continue;
        if (GetModuleHandleA(runtimeModuleTable[i]) == nullptr)
            continue;
        HMODULE module = LoadLibraryA(runtimeModuleTable[i]);
        if (module == nullptr)
            continue;
        // Through the generic function type, as every exported entry point is looked up.
        const FARPROC entry = GetProcAddress(module, "DebugSetMute");
        muteEntryPoints[i] =
            reinterpret_cast<DebugSetMuteProc>(reinterpret_cast<void (*)()>(entry));
    }
}

void setMute(BOOL mute) {
    for (DebugSetMuteProc entry : muteEntryPoints) {
        if (entry != nullptr)
            entry(mute);
    }
}

} // namespace

DebugMute::DebugMute() {
    lookUpEntryPoints();
    setMute(TRUE);
}

DebugMute::~DebugMute() {
    setMute(FALSE);
}
