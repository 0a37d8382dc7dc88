// texkit info (and texinfo): loads a picture file into a texture of the software device, as
// the game's loader does, prints what the file held and what the texture became, one key=value
// per line, and writes the texture out on request (one level as a picture or raw bytes, or a
// DDS file).
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "texture/dds_format_table.h"
#include "texture/mapped_file.h"
#include "texture/texture_loader.h"
#include "tools/texkit/dds_writer.h"
#include "tools/texkit/format_names.h"
#include "tools/texkit/info_options.h"
#include "tools/texkit/json_text.h"
#include "tools/texkit/level_output.h"
#include "tools/texkit/load_failure.h"
#include "tools/texkit/verbs.h"

#include <cstdio>
#include <iterator>

namespace {

const char* imageFileFormatName(ImageFileFormat format) {
    static const char* const names[] = {"Bmp", "Jpg", "Tga", "Png", "Dds", "Ppm", "Dib"};
    return format < std::size(names) ? names[format] : "?";
}

// The DXGI format a DDS file's DX10 header names, 0 for any other file; and its name.
uint32_t dxgiFormatOfFile(const std::string& path) {
    MappedFile file;
    if (FAILED(file.open(path.c_str())))
        return 0;
    return ddsDxgiFormat(static_cast<const uint8_t*>(file.view), file.size);
}

std::string dxgiFormatText(uint32_t dxgi) {
    const DxgiFormatRow* row = findDxgiFormat(dxgi, 0);
    return std::to_string(dxgi) + " " + (row != nullptr ? row->name : "?");
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

std::string resultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(hr));
    return text;
}

// The text output's facts as one object; `info` and `texture` are null after a failed load.
void printJson(HRESULT hr, const ImageInfo* info, uint32_t dxgi, IDirect3DTexture8* texture) {
    JsonObject object;
    object.add("result", resultText(hr));
    if (info != nullptr) {
        JsonObject file;
        file.add("width", uint64_t(info->width))
            .add("height", uint64_t(info->height))
            .add("depth", uint64_t(info->depth))
            .add("mipLevels", uint64_t(info->mipLevels))
            .add("format", formatName(info->format))
            .add("resourceType", uint64_t(info->resourceType))
            .add("imageFileFormat", imageFileFormatName(info->imageFileFormat));
        if (dxgi != 0)
            file.add("dxgiFormat", dxgiFormatText(dxgi));
        object.addRaw("info", file.text());
    }
    if (texture != nullptr) {
        std::string levels = "[";
        for (DWORD level = 0; level < texture->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc = {};
            texture->GetLevelDesc(level, &desc);
            JsonObject entry;
            entry.add("width", uint64_t(desc.Width))
                .add("height", uint64_t(desc.Height))
                .add("format", formatName(desc.Format));
            if (level > 0)
                levels += ',';
            levels += entry.text();
        }
        JsonObject made;
        made.add("levels", uint64_t(texture->GetLevelCount())).addRaw("level", levels + "]");
        object.addRaw("texture", made.text());
    }
    std::printf("%s\n", object.text().c_str());
}

// The --png and --raw files of the chosen level and the --dds file; false after saying what
// went wrong.
bool writeOutputs(const char* program, const InfoOptions& options, IDirect3DTexture8* texture,
                  const PALETTEENTRY* palette) {
    if ((!options.pngPath.empty() || !options.rawPath.empty()) &&
        options.level >= texture->GetLevelCount()) {
        std::fprintf(stderr, "%s: the texture has no level %u\n", program, options.level);
        return false;
    }
    if (!options.pngPath.empty()) {
        std::string error;
        const HRESULT hr = writeLevelPng(texture, options.level, options.pngPath, &error);
        if (FAILED(hr)) {
            if (!error.empty())
                std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            std::fprintf(stderr, "%s: cannot write %s (0x%08X)\n", program, options.pngPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    if (!options.rawPath.empty()) {
        const HRESULT hr = writeLevelRaw(texture, options.level, options.rawPath);
        if (FAILED(hr)) {
            std::fprintf(stderr, "%s: cannot write %s (0x%08X)\n", program, options.rawPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    if (!options.ddsPath.empty()) {
        const HRESULT hr = writeDdsFile(texture, palette, options.ddsPath);
        if (FAILED(hr)) {
            std::fprintf(stderr, "%s: cannot write %s (0x%08X)\n", program, options.ddsPath.c_str(),
                         unsigned(hr));
            return false;
        }
    }
    return true;
}

} // namespace

int runInfo(const Invocation& invocation, std::span<const std::string> arguments) {
    const char* program = invocation.program.c_str();
    InfoOptions options;
    std::string error;
    switch (parseInfoOptions(arguments, &options, &error)) {
    case CommandLine::Help:
        printInfoHelp(invocation, stdout);
        return 0;
    case CommandLine::Wrong:
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        printInfoUsage(invocation, stderr);
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
        std::fprintf(stderr, "%s: no Direct3D device (0x%08X)\n", program, unsigned(deviceResult));
        return 1;
    }
    // A DDS file of a format the device does not sample is made from a scratch texture, which
    // keeps the format; a pool or usage that would lose it cannot be what was asked.
    if (!options.ddsPath.empty() &&
        storagePoolFor(device.get(), options.format, D3DRTYPE_TEXTURE) == D3DPOOL_SCRATCH) {
        if ((options.poolGiven && options.pool != D3DPOOL_SCRATCH) || options.usage != 0) {
            std::fprintf(stderr,
                         "%s: --dds with %s needs a scratch texture: no --pool other than "
                         "scratch, no --usage\n",
                         program, formatName(options.format).c_str());
            printInfoUsage(invocation, stderr);
            return 2;
        }
        options.pool = D3DPOOL_SCRATCH;
    }
    // A DDS file can hold a paletted texture, so the palette is asked for only then; without
    // it the loader turns a paletted format into a colour one, as it does for the game.
    ImageInfo info = {};
    PALETTEENTRY palette[256] = {};
    PALETTEENTRY* wantedPalette = options.ddsPath.empty() ? nullptr : palette;
    ComRef<IDirect3DTexture8> texture;
    const HRESULT hr = createTextureFromFile(
        device.get(), options.file.c_str(), options.width, options.height, options.levels,
        options.usage, options.format, options.pool, options.filterWord(), options.mipFilterWord(),
        options.colorKey, &info, wantedPalette, texture.out());
    const uint32_t dxgi = SUCCEEDED(hr) ? dxgiFormatOfFile(options.file) : 0;
    if (options.json)
        printJson(hr, SUCCEEDED(hr) ? &info : nullptr, dxgi,
                  SUCCEEDED(hr) ? texture.get() : nullptr);
    else
        std::printf("result=%s\n", resultText(hr).c_str());
    if (FAILED(hr)) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s: %s\n", program, options.file.c_str(),
                     loadFailureReason(options.file, hr).c_str());
        return 1;
    }
    if (!options.json) {
        printInfo(info);
        if (dxgi != 0)
            std::printf("info.dxgiFormat=%s\n", dxgiFormatText(dxgi).c_str());
        printLevels(texture.get());
    }
    std::fflush(stdout);
    return writeOutputs(program, options, texture.get(), wantedPalette) ? 0 : 1;
}
