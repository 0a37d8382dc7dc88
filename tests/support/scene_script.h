// Random scenes for the software device, one draw thread against several: any bytes become a
// sequence of device calls (render and texture-stage states, textures of several formats made,
// locked, written and released, vertex formats and transforms, draws of every primitive type,
// clears, CopyRects, UpdateTexture, state blocks, locks of the back buffer, scenes and
// Present), played in lockstep on two headless devices that differ only in their draw threads.
// Every answer, every byte a lock reads and every presented frame must be the same on both.
// Used by the libFuzzer target fuzz/fuzz_scene.cpp and by the replay test of its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace scene_script {

// What a run compared, summed over the scenes played with the same tally.
struct Tally {
    uint64_t scenes = 0;
    uint64_t calls = 0;  // device calls, on each device
    uint64_t draws = 0;  // draws both devices accepted
    uint64_t frames = 0; // presented frames compared
    uint64_t locks = 0;  // locks whose bytes were compared (textures, surfaces, back buffer)
    uint64_t backBufferLocks = 0;
};

struct Options {
    unsigned firstThreads = 1;
    unsigned secondThreads = 4;
    // Changes one pixel of the second device's back buffer before the final Present, so that
    // a test can see the comparison fail.
    bool disturbSecond = false;
};

// Plays the bytes on both devices; "" when they agreed throughout, else a description of the
// first difference (which call, what differed).
std::string playOnBoth(const uint8_t* bytes, size_t size, Tally* tally,
                       const Options& options = Options());

} // namespace scene_script
