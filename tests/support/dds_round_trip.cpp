// The round trip: six bytes choose the texture, the rest (repeated as needed) become its
// palette and texels; the file's levels are compared row by row with the texture's, over the
// bytes each stored row holds.
#include "tests/support/dds_round_trip.h"

#include "blit/pixel_format.h"
#include "platform_ext.h"
#include "texture/dds_format_table.h"
#include "texture/image_decoder.h"
#include "tools/texkit/dds_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace dds_round_trip {

namespace {

constexpr D3DFORMAT Formats[] = {
    D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,    D3DFMT_R8G8B8, D3DFMT_R5G6B5,    D3DFMT_X1R5G5B5,
    D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,    D3DFMT_R3G3B2, D3DFMT_A8,        D3DFMT_A8R3G3B2,
    D3DFMT_X4R4G4B4, D3DFMT_A2B10G10R10, D3DFMT_G16R16, D3DFMT_A8P8,      D3DFMT_P8,
    D3DFMT_L8,       D3DFMT_A8L8,        D3DFMT_A4L4,   D3DFMT_V8U8,      D3DFMT_L6V5U5,
    D3DFMT_X8L8V8U8, D3DFMT_Q8W8V8U8,    D3DFMT_V16U16, D3DFMT_W11V11U10, D3DFMT_A2W10V10U10,
    D3DFMT_UYVY,     D3DFMT_YUY2,        D3DFMT_DXT1,   D3DFMT_DXT2,      D3DFMT_DXT3,
    D3DFMT_DXT4,     D3DFMT_DXT5,
};

IDirect3DDevice8* sharedDevice() {
    static IDirect3DDevice8* device = [] {
        IDirect3DDevice8* made = nullptr;
        return SUCCEEDED(platform_ext::createHeadlessDevice(16, 16, &made)) ? made : nullptr;
    }();
    return device;
}

// Hands out the bytes after the header again and again.
class Filler {
public:
    Filler(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    void fill(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = size_ == 0 ? uint8_t(i * 37) : uint8_t(bytes_[at_ % size_] + at_ / size_);
            ++at_;
        }
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t at_ = 0;
};

// One level's stored rows: `rowBytes` bytes from each of `rows` rows of each of `slices` slices.
struct LevelView {
    const uint8_t* bits;
    size_t rowPitch, slicePitch;
};

bool sameRows(const LevelView& a, const LevelView& b, const DdsLevelBytes& bytes, UINT slices) {
    const uint64_t rows = bytes.slice / bytes.rowPitch;
    for (UINT z = 0; z < slices; ++z)
        for (uint64_t y = 0; y < rows; ++y)
            if (std::memcmp(a.bits + z * a.slicePitch + y * a.rowPitch,
                            b.bits + z * b.slicePitch + y * b.rowPitch,
                            size_t(bytes.rowPitch)) != 0)
                return false;
    return true;
}

std::string describe(const char* what, UINT face, UINT level) {
    char text[96];
    std::snprintf(text, sizeof(text), "%s of face %u, level %u", what, face, level);
    return text;
}

// A texture level locked read-only, as the writer and the comparison read it.
struct LockedLevel {
    HRESULT hr = E_FAIL;
    LevelView view = {};
};

class Trip {
public:
    explicit Trip(Result* result) : result_(result) {}
    ~Trip() {
        if (texture_ != nullptr)
            texture_->Release();
    }

    void run(const uint8_t* bytes, size_t size, const std::string& folder);

private:
    LockedLevel lock(UINT face, UINT level);
    void unlock(UINT face, UINT level);
    bool fill(Filler& filler);
    void compare(const ImageDecoder& image);

    Result* result_;
    enum { Flat, Cube, Volume } shape_ = Flat;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    UINT width_ = 0, height_ = 0, depth_ = 1, levels_ = 0;
    IDirect3DBaseTexture8* texture_ = nullptr;
    PALETTEENTRY palette_[256] = {};
};

LockedLevel Trip::lock(UINT face, UINT level) {
    LockedLevel out;
    if (shape_ == Volume) {
        D3DLOCKED_BOX box = {};
        out.hr = static_cast<IDirect3DVolumeTexture8*>(texture_)->LockBox(level, &box, nullptr, 0);
        out.view = {static_cast<const uint8_t*>(box.pBits), size_t(box.RowPitch),
                    size_t(box.SlicePitch)};
        return out;
    }
    D3DLOCKED_RECT rect = {};
    out.hr = shape_ == Cube
                 ? static_cast<IDirect3DCubeTexture8*>(texture_)->LockRect(D3DCUBEMAP_FACES(face),
                                                                           level, &rect, nullptr, 0)
                 : static_cast<IDirect3DTexture8*>(texture_)->LockRect(level, &rect, nullptr, 0);
    out.view = {static_cast<const uint8_t*>(rect.pBits), size_t(rect.Pitch), 0};
    return out;
}

void Trip::unlock(UINT face, UINT level) {
    if (shape_ == Volume)
        static_cast<IDirect3DVolumeTexture8*>(texture_)->UnlockBox(level);
    else if (shape_ == Cube)
        static_cast<IDirect3DCubeTexture8*>(texture_)->UnlockRect(D3DCUBEMAP_FACES(face), level);
    else
        static_cast<IDirect3DTexture8*>(texture_)->UnlockRect(level);
}

UINT levelSize(UINT size, UINT level) {
    return std::max<UINT>(1, size >> level);
}

bool Trip::fill(Filler& filler) {
    const UINT faces = shape_ == Cube ? 6 : 1;
    for (UINT face = 0; face < faces; ++face)
        for (UINT level = 0; level < levels_; ++level) {
            const LockedLevel locked = lock(face, level);
            if (FAILED(locked.hr)) {
                result_->difference = describe("the lock", face, level) + " failed";
                return false;
            }
            const DdsLevelBytes bytes =
                ddsLevelBytes(format_, levelSize(width_, level), levelSize(height_, level), 1);
            const uint64_t rows = bytes.slice / bytes.rowPitch;
            for (UINT z = 0; z < levelSize(depth_, level); ++z)
                for (uint64_t y = 0; y < rows; ++y)
                    filler.fill(const_cast<uint8_t*>(locked.view.bits) +
                                    z * locked.view.slicePitch + y * locked.view.rowPitch,
                                size_t(bytes.rowPitch));
            unlock(face, level);
        }
    return true;
}

void Trip::compare(const ImageDecoder& image) {
    const bool paletted = getFormatInfo(format_).category == Palette;
    if (image.format != format_ || image.width != width_ || image.height != height_ ||
        image.depth != depth_ || image.levelCount() != levels_ ||
        image.faceCount() != (shape_ == Cube ? 6u : 1u)) {
        char text[160];
        std::snprintf(text, sizeof(text), "read back as format %u, %ux%ux%u, %u levels, %u faces",
                      unsigned(image.format), image.width, image.height, image.depth,
                      image.levelCount(), image.faceCount());
        result_->difference = text;
        return;
    }
    if (paletted &&
        (image.palette == nullptr || std::memcmp(image.palette, palette_, sizeof(palette_)) != 0)) {
        result_->difference = "the palette differs";
        return;
    }
    UINT face = 0;
    for (const ImageDecoder* top = &image; top != nullptr; top = top->nextFace.get(), ++face) {
        UINT level = 0;
        for (const ImageDecoder* node = top; node != nullptr;
             node = node->nextLevel.get(), ++level) {
            const UINT w = levelSize(width_, level), h = levelSize(height_, level);
            const UINT d = levelSize(depth_, level);
            if (node->width != w || node->height != h || std::max<UINT>(node->depth, 1) != d) {
                result_->difference = describe("the size", face, level) + " differs";
                return;
            }
            const LockedLevel locked = lock(face, level);
            if (FAILED(locked.hr)) {
                result_->difference = describe("the lock", face, level) + " failed";
                return;
            }
            const LevelView file = {node->bits, node->rowPitch, node->slicePitch};
            const bool same = sameRows(file, locked.view, ddsLevelBytes(format_, w, h, 1), d);
            unlock(face, level);
            if (!same) {
                result_->difference = describe("the texels", face, level) + " differ";
                return;
            }
        }
    }
}

void Trip::run(const uint8_t* bytes, size_t size, const std::string& folder) {
    IDirect3DDevice8* device = sharedDevice();
    if (device == nullptr || size < 6) {
        result_->summary = "too short";
        return;
    }
    shape_ = bytes[0] % 8 == 6 ? Cube : bytes[0] % 8 == 7 ? Volume : Flat;
    format_ = Formats[bytes[1] % std::size(Formats)];
    width_ = 1 + bytes[2] % 40;
    height_ = shape_ == Cube ? width_ : 1 + bytes[3] % 40;
    depth_ = shape_ == Volume ? 1 + bytes[4] % 6 : 1;
    const UINT askedLevels = bytes[5] % 5;
    const bool paletted = getFormatInfo(format_).category == Palette;
    HRESULT hr;
    if (shape_ == Cube) {
        IDirect3DCubeTexture8* cube = nullptr;
        hr = device->CreateCubeTexture(width_, askedLevels, 0, format_, D3DPOOL_SYSTEMMEM, &cube);
        texture_ = cube;
    } else if (shape_ == Volume) {
        IDirect3DVolumeTexture8* volume = nullptr;
        hr = device->CreateVolumeTexture(width_, height_, depth_, askedLevels, 0, format_,
                                         D3DPOOL_SYSTEMMEM, &volume);
        texture_ = volume;
    } else {
        IDirect3DTexture8* flat = nullptr;
        hr = device->CreateTexture(width_, height_, askedLevels, 0, format_, D3DPOOL_SYSTEMMEM,
                                   &flat);
        texture_ = flat;
    }
    char text[128];
    std::snprintf(text, sizeof(text), "%s\t%08X\t%ux%ux%u",
                  shape_ == Cube     ? "cube"
                  : shape_ == Volume ? "volume"
                                     : "flat",
                  unsigned(format_), width_, height_, depth_);
    result_->summary = text;
    if (FAILED(hr)) {
        result_->summary += "\trefused";
        texture_ = nullptr;
        return;
    }
    result_->made = true;
    levels_ = texture_->GetLevelCount();
    result_->summary += "\t" + std::to_string(levels_) + " levels";

    Filler filler(bytes + 6, size - 6);
    if (paletted)
        filler.fill(reinterpret_cast<uint8_t*>(palette_), sizeof(palette_));
    if (!fill(filler))
        return;

    const std::string path = folder + "/round_trip.dds";
    if (shape_ == Cube)
        hr = writeDdsFile(static_cast<IDirect3DCubeTexture8*>(texture_), path);
    else if (shape_ == Volume)
        hr = writeDdsFile(static_cast<IDirect3DVolumeTexture8*>(texture_), path);
    else
        hr = writeDdsFile(static_cast<IDirect3DTexture8*>(texture_), paletted ? palette_ : nullptr,
                          path);
    std::ifstream stream(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(stream)),
                                    std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    // Paletted cube and volume textures have no DDS form: refused, and no file left.
    if (paletted && shape_ != Flat) {
        if (hr != D3DERR_INVALIDCALL || !file.empty())
            result_->difference = "a paletted " + std::string(shape_ == Cube ? "cube" : "volume") +
                                  " was not refused cleanly";
        else
            result_->summary += "\tnot written";
        return;
    }
    if (FAILED(hr)) {
        std::snprintf(text, sizeof(text), "the writer answered 0x%08X", unsigned(hr));
        result_->difference = text;
        return;
    }
    ImageDecoder image;
    hr = image.load(file.data(), UINT(file.size()), nullptr);
    if (FAILED(hr)) {
        std::snprintf(text, sizeof(text), "the loader answered 0x%08X for the %zu-byte file",
                      unsigned(hr), file.size());
        result_->difference = text;
        return;
    }
    compare(image);
}

} // namespace

Result run(const uint8_t* bytes, size_t size, const std::string& folder) {
    Result result;
    Trip(&result).run(bytes, size, folder);
    return result;
}

} // namespace dds_round_trip
