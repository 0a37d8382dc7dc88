// texinfo: loads a picture file into a texture of the software device, as the game's loader
// does, prints what the file held and what the texture became, one key=value per line, and
// writes the texture out on request (one level as a picture or raw bytes, or a DDS file).
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "texture/texture_loader.h"
#include "tools/texinfo/dds_writer.h"
#include "tools/texinfo/format_names.h"
#include "tools/texinfo/level_output.h"
#include "tools/texinfo/texinfo_options.h"

#include <cstdio>
#include <iterator>

namespace {

struct ResultMeaning {
    HRESULT code;
    const char* meaning;
};

// What a failed load's code means to someone converting a pile of files.
constexpr ResultMeaning resultMeaningTable[] = {
    {InvalidData, "no decoder accepts this file (InvalidData)"},
    {D3DERR_NOTAVAILABLE, "the device cannot make this texture (NotAvailable)"},
    {D3DERR_INVALIDCALL, "the request is not valid for this file or device (InvalidCall)"},
    {E_OUTOFMEMORY, "out of memory (OutOfMemory)"},
    {E_FAIL, "the picture could not be copied into the texture (E_FAIL)"},
};
static_assert(std::size(resultMeaningTable) == 5);

// The loader answers InvalidData for a file it cannot open as for one it does not recognise.
bool canBeRead(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::fgetc(file); // a folder opens, but reading it fails
    const bool readable = std::ferror(file) == 0;
    std::fclose(file);
    return readable;
}

void explainFailure(const std::string& path, HRESULT hr) {
    if (hr == InvalidData && !canBeRead(path)) {
        std::fprintf(stderr, "texinfo: %s: cannot be opened\n", path.c_str());
        return;
    }
    for (const ResultMeaning& row : resultMeaningTable) {
        if (row.code == hr) {
            std::fprintf(stderr, "texinfo: %s: %s\n", path.c_str(), row.meaning);
            return;
        }
    }
    std::fprintf(stderr, "texinfo: %s: the load failed (0x%08X)\n", path.c_str(), unsigned(hr));
}

const char* imageFileFormatName(ImageFileFormat format) {
    static const char* const names[] = {"Bmp", "Jpg", "Tga", "Png", "Dds", "Ppm", "Dib"};
    return format < std::size(names) ? names[format] : "?";
}

void printInfo(const ImageInfo& info) {
    std::printf("info.width=%u\n", info.width);
    std::printf("info.height=%u\n", info.height);
    std::printf("info.depth=%u\n", info.depth);
    std::printf("info.mipLevels=%u\n", info.mipLevels);
    std::printf("info.format=%s\n", formatName(info.format).c_str());
    std::printf("info.resourceType=%u\n", unsigned(info.resourceType));
    std::printf("info.imageFileFormat=%s\n", imageFileFormatName(info.imageFileFormat));
}

void printLevels(IDirect3DTexture8* texture) {
    const DWORD levels = texture->GetLevelCount();
    std::printf("texture.levels=%u\n", unsigned(levels));
    for (DWORD level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(level, &desc);
        std::printf("texture.level.%u=%ux%u %s\n", unsigned(level), desc.Width, desc.Height,
                    formatName(desc.Format).c_str());
    }
}

// The --png and --raw files of the chosen level and the --dds file; false after saying what
// went wrong.
bool writeOutputs(const TexinfoOptions& options, IDirect3DTexture8* texture,
                  const PALETTEENTRY* palette) {
    if ((!options.pngPath.empty() || !options.rawPath.empty()) &&
        options.level >= texture->GetLevelCount()) {
        std::fprintf(stderr, "texinfo: the texture has no level %u\n", options.level);
        return false;
    }
    if (!options.pngPath.empty()) {
        const HRESULT hr = writeLevelPng(texture, options.level, options.pngPath);
        if (FAILED(hr)) {
            std::fprintf(stderr, "texinfo: cannot write %s (0x%08X)\n", options.pngPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    if (!options.rawPath.empty()) {
        const HRESULT hr = writeLevelRaw(texture, options.level, options.rawPath);
        if (FAILED(hr)) {
            std::fprintf(stderr, "texinfo: cannot write %s (0x%08X)\n", options.rawPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    if (!options.ddsPath.empty()) {
        const HRESULT hr = writeDdsFile(texture, palette, options.ddsPath);
        if (FAILED(hr)) {
            std::fprintf(stderr, "texinfo: cannot write %s (0x%08X)\n", options.ddsPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TexinfoOptions options;
    std::string error;
    switch (parseTexinfoOptions(argc, argv, &options, &error)) {
    case CommandLine::Help:
        std::fputs(texinfoHelp, stdout);
        return 0;
    case CommandLine::Wrong:
        std::fprintf(stderr, "texinfo: %s\n%s", error.c_str(), texinfoUsage);
        return 2;
    case CommandLine::Run:
        break;
    }
    if (options.profileGiven)
        platform_ext::setDeviceProfile(options.profile);

    // A headless device; its back buffer is never shown.
    ComRef<IDirect3DDevice8> device;
    const HRESULT deviceResult = platform_ext::createHeadlessDevice(64, 64, device.out());
    if (FAILED(deviceResult)) {
        std::fprintf(stderr, "texinfo: no Direct3D device (0x%08X)\n", unsigned(deviceResult));
        return 1;
    }
    // A DDS file can hold a paletted texture, so the palette is asked for only then; without
    // it the loader turns a paletted format into a colour one, as it does for the game.
    ImageInfo info = {};
    PALETTEENTRY palette[256] = {};
    PALETTEENTRY* wantedPalette = options.ddsPath.empty() ? nullptr : palette;
    ComRef<IDirect3DTexture8> texture;
    const HRESULT hr = createTextureFromFile(
        device.get(), options.file.c_str(), options.width, options.height, options.levels,
        options.usage, options.format, options.pool, options.filter, options.mipFilter,
        options.colorKey, &info, wantedPalette, texture.out());
    std::printf("result=0x%08X\n", unsigned(hr));
    if (FAILED(hr)) {
        std::fflush(stdout);
        explainFailure(options.file, hr);
        return 1;
    }
    printInfo(info);
    printLevels(texture.get());
    std::fflush(stdout);
    return writeOutputs(options, texture.get(), wantedPalette) ? 0 : 1;
}
