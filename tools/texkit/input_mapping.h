// A read-only view of a whole input file, mapped by its host name as it is. The toolkit's own
// MappedFile goes through the Win32 layer, which reads a name as Windows-1252 and a backslash
// as a folder separator: right for the game's files, wrong for a Linux tool whose names are
// bytes.
#pragma once

#include <cstdint>
#include <string>

class InputMapping {
public:
    InputMapping() = default;
    ~InputMapping();
    InputMapping(const InputMapping&) = delete;
    InputMapping& operator=(const InputMapping&) = delete;

    // False when the file cannot be opened or mapped, or holds 4 GiB or more (the decoders
    // take a 32-bit size). An empty file maps to no bytes.
    bool open(const std::string& path);

    const uint8_t* view = nullptr;
    uint32_t size = 0;

private:
    void* mapped_ = nullptr;
    size_t mappedBytes_ = 0;
};
