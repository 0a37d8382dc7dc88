// The DDS writer's round trip: any bytes describe a texture (flat, cube or volume, any format a
// DDS file holds, its size, levels, palette and texels), which is made on a headless device,
// written by texkit's DDS writer and read back by the loader; the file must give the same
// format, shape, levels, palette and texel bytes. Used by the fuzz target fuzz/fuzz_dds_write.cpp
// and by the replay of its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dds_round_trip {

struct Result {
    bool made = false;      // the device made the texture the bytes asked for
    std::string difference; // empty when the file gave back what was written
    std::string summary;    // what was written: shape, format, size, levels (a replay's answer)
};

// Writes into `folder` (which must exist) and removes the file again.
Result run(const uint8_t* bytes, size_t size, const std::string& folder);

} // namespace dds_round_trip
