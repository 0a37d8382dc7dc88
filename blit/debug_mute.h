// The debug-mute bracket: silences the Direct3D runtime's debug output around calls that may
// fail as part of normal work (format checks, container queries, device copies).
#pragma once

// Calls DebugSetMute(1) in every loaded Direct3D runtime module on construction and
// DebugSetMute(0) on destruction. With no runtime module loaded it does nothing.
class DebugMute {
public:
    DebugMute();
    ~DebugMute();
    DebugMute(const DebugMute&) = delete;
    DebugMute& operator=(const DebugMute&) = delete;
};
