// libFuzzer target: any bytes as a sequence of device calls, played on a headless device that
// draws on one thread and on one that draws on four (tests/support/scene_script.h). Every
// answer, every byte read through a lock and every presented frame must be the same on both.
// What the run compared is printed every 10000 scenes and at the end.
#include "tests/support/scene_script.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

scene_script::Tally tally;

void printTally() {
    std::fprintf(
        stderr,
        "scene tally: %llu scenes, %llu calls, %llu draws, %llu frames compared, "
        "%llu locks compared (%llu of the back buffer)\n",
        static_cast<unsigned long long>(tally.scenes), static_cast<unsigned long long>(tally.calls),
        static_cast<unsigned long long>(tally.draws), static_cast<unsigned long long>(tally.frames),
        static_cast<unsigned long long>(tally.locks),
        static_cast<unsigned long long>(tally.backBufferLocks));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = std::atexit(printTally) == 0;
    (void)registered;
    const std::string difference = scene_script::playOnBoth(data, size, &tally);
    if (!difference.empty()) {
        std::fprintf(stderr, "one and four draw threads differ: %s\n", difference.c_str());
        std::abort();
    }
    if (tally.scenes % 10000 == 0)
        printTally();
    return 0;
}
