// libFuzzer target: any bytes as a texture (shape, format, size, levels, palette, texels) that
// texkit's DDS writer writes and the loader reads back: the same format, shape, levels, palette
// and texel bytes (tests/support/dds_round_trip.h). The file goes to a folder of its own under
// the system's temporary folder, removed at the end.
#include "tests/support/dds_round_trip.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Never destroyed, so that the clean-up at exit can still name it.
const std::string& folder() {
    static const std::string* made = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fuzz_ddswrite_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        auto* kept = new std::string(pattern);
        std::atexit([] { std::filesystem::remove_all(folder()); });
        return kept;
    }();
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const dds_round_trip::Result result = dds_round_trip::run(data, size, folder());
    if (!result.difference.empty()) {
        std::fprintf(stderr, "DDS round trip of %s: %s\n", result.summary.c_str(),
                     result.difference.c_str());
        std::abort();
    }
    return 0;
}
