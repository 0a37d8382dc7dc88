// Every input the fuzz targets kept (tests/data/fuzz/<target>/: their findings, seeds and the
// corpus their campaigns grew) fed again to the entry point of its target under the sanitizers,
// each answer checked against a checked-in table.
#include "blit/blit_surface.h"
#include "blit/pixel_format.h"
#include "blocks/dxt_block.h"
#include "platform_ext.h"
#include "tests/support/dds_round_trip.h"
#include "tests/support/decoded_image_walk.h"
#include "tests/support/photos.h"
#include "tests/support/scene_script.h"
#include "tests/support/texkit_command.h"
#include "texture/image_decoder.h"
#include "texture/texture_loader.h"
#include "win32/registry_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", value);
    return text;
}

// What load made of the bytes: its result, and for a decoded image its shape and a hash of
// every byte it claims, which the walk reads whole.
std::string loadLine(const Bytes& file) {
    ImageDecoder image;
    ImageInfo info;
    const HRESULT hr = image.load(file.data(), UINT(file.size()), &info);
    std::ostringstream line;
    line << hex8(uint32_t(hr));
    if (FAILED(hr))
        return line.str();
    uint32_t digest = 0;
    if (!test_support::walkDecodedImage(image, &digest))
        return line.str() + "\tinconsistent image";
    line << '\t' << info.imageFileFormat << '\t' << hex8(info.format) << '\t' << info.width << 'x'
         << info.height << 'x' << info.depth << '\t' << info.mipLevels << " levels\t"
         << image.faceCount() << " faces\t" << hex8(digest);
    return line.str();
}

IDirect3DDevice8* sharedDevice() {
    static IDirect3DDevice8* device = [] {
        IDirect3DDevice8* made = nullptr;
        EXPECT_EQ(platform_ext::createHeadlessDevice(64, 64, &made), D3D_OK);
        return made;
    }();
    return device;
}

// FNV-1a over the pixel bytes of every level, read through read-only locks.
uint32_t levelsDigest(IDirect3DTexture8* texture) {
    uint32_t hash = 2166136261u;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        texture->GetLevelDesc(level, &desc);
        if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
            return 0;
        const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width * 4; ++x)
                hash = (hash ^ bytes[size_t(y) * locked.Pitch + x]) * 16777619u;
        texture->UnlockRect(level);
    }
    return hash;
}

// The game's own request: the file's size, a full chain, A8R8G8B8, managed, opaque magenta.
std::string textureLine(const Bytes& file) {
    IDirect3DTexture8* texture = nullptr;
    ImageInfo info;
    const HRESULT hr =
        createTextureFromMemory(sharedDevice(), file.data(), UINT(file.size()), 0xFFFFFFFF,
                                0xFFFFFFFF, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone,
                                FilterDefault, 0xFFFF00FF, &info, nullptr, &texture);
    std::ostringstream line;
    line << hex8(uint32_t(hr));
    if (FAILED(hr))
        return line.str() + (texture != nullptr ? "\ttexture left behind" : "");
    D3DSURFACE_DESC desc = {};
    texture->GetLevelDesc(0, &desc);
    line << '\t' << info.width << 'x' << info.height << '\t' << desc.Width << 'x' << desc.Height
         << '\t' << texture->GetLevelCount() << " levels\t" << hex8(levelsDigest(texture));
    texture->Release();
    return line.str();
}

// The two switches the processor-feature code reads, as the bytes the registry hands out.
std::string registryLine(const Bytes& file) {
    const win32::RegistryData registry = win32::RegistryData::parse(
        std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    const char* const key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D";
    std::string line = registry.keyExists(key) ? "key" : "no key";
    for (const char* name : {"DisableMMX", "DisableSimdMath"}) {
        line += '\t';
        const win32::RegistryValue* value = registry.findValue(key, name);
        if (value == nullptr) {
            line += '-';
            continue;
        }
        line += std::to_string(value->type) + ':';
        for (unsigned char byte : value->data)
            line += hex8(byte).substr(6);
    }
    return line;
}

// The block decoder's values for the bytes after the four shape bytes, read as blocks of each
// format: one hash of every value's bits per format.
std::string blockLine(const Bytes& file) {
    std::string line;
    for (PixelFormat format : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        const BlockFormat& row = *findBlockFormat(format);
        uint32_t hash = 2166136261u;
        for (size_t at = 4; at + row.blockBytes <= file.size(); at += row.blockBytes) {
            FloatColor values[16];
            row.decode(file.data() + at, values);
            for (const FloatColor& v : values)
                for (float channel : {v.r, v.g, v.b, v.a}) {
                    uint32_t bits = 0;
                    std::memcpy(&bits, &channel, sizeof(bits));
                    hash = (hash ^ bits) * 16777619u;
                }
        }
        line += (line.empty() ? "" : "\t") + hex8(hash);
    }
    return line;
}

// The scene on one draw thread and on four: whether they agreed, and how much it drew.
std::string sceneLine(const Bytes& file) {
    scene_script::Tally tally;
    const std::string difference = scene_script::playOnBoth(file.data(), file.size(), &tally);
    if (!difference.empty())
        return "differs: " + difference;
    return "same\t" + std::to_string(tally.calls) + " calls\t" + std::to_string(tally.draws) +
           " draws\t" + std::to_string(tally.frames) + " frames\t" + std::to_string(tally.locks) +
           " locks";
}

// The texture the bytes describe, written as DDS and read back.
std::string ddsWriteLine(const Bytes& file) {
    const std::string folder = ::testing::TempDir();
    const dds_round_trip::Result result = dds_round_trip::run(file.data(), file.size(), folder);
    return result.summary + (result.difference.empty() ? "" : "\tdiffers: " + result.difference);
}

// A file name as printable ASCII: other bytes (and the backslash) as \xHH.
std::string printable(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

// texkit's exit status and the files it made in its folder.
std::string texkitLine(const Bytes& file) {
    static texkit_command::Workspace workspace;
    const texkit_command::Result result = workspace.run(file.data(), file.size());
    std::string line = "status " + std::to_string(result.status);
    for (const std::string& made : result.made)
        line += '\t' + printable(made);
    return line + (result.problem.empty() ? "" : "\tproblem: " + result.problem);
}

std::string replayLine(const std::string& target, const Bytes& file) {
    if (target == "scene")
        return sceneLine(file);
    if (target == "ddswrite")
        return ddsWriteLine(file);
    if (target == "texkit")
        return texkitLine(file);
    if (target == "texture")
        return textureLine(file);
    if (target == "registry")
        return registryLine(file);
    if (target == "dxt")
        return blockLine(file);
    return loadLine(file);
}

const std::set<std::string> loadTargetsTable = {"bmp", "dib", "ppm", "tga", "jpg", "png", "dds"};

TEST(FuzzReplay, EveryFoundInputGivesTheCheckedInAnswer) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(FUZZ_DATA_DIR))
        if (entry.is_regular_file() && entry.path().parent_path() != fs::path(FUZZ_DATA_DIR))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    std::string actual = "input\tanswer\n";
    for (const fs::path& path : files) {
        const std::string target = path.parent_path().filename().string();
        ASSERT_TRUE(loadTargetsTable.count(target) || target == "texture" || target == "registry" ||
                    target == "dxt" || target == "scene" || target == "ddswrite" ||
                    target == "texkit")
            << "no target named " << target;
        actual += target + '/' + path.filename().string() + '\t' +
                  replayLine(target, test_support::readFileBytes(path)) + '\n';
    }
    const Bytes expected = test_support::readFileBytes(EXPECTED_TABLE);
    if (actual != std::string(expected.begin(), expected.end())) {
        std::ofstream("fuzz_replay.actual.tsv") << actual;
        FAIL() << "replayed answers differ from " << EXPECTED_TABLE << "; compare it with "
               << fs::absolute("fuzz_replay.actual.tsv");
    }
}

} // namespace
