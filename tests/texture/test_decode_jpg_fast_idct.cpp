// The "DisableMMX" switch on the JPEG decoder: the fast integer transform and the plain colour
// repack. A program of its own, as the switch stays in force for the rest of the run.
#include "texture/image_decoder.h"
#include "texture/rgb_repack.h"
#include "texture/texture_loader.h"

#include "platform_ext.h"
#include "tests/texture/jpeg_maker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

TEST(DecodeJpgWithMmxDisabled, UsesTheFastIntegerTransformAndThePlainRepack) {
    const std::filesystem::path settings = std::filesystem::temp_directory_path() /
                                           ("bosq-jpeg-" + std::to_string(::getpid()) + ".reg");
    std::ofstream(settings, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n"
           "\"DisableMMX\"=dword:00000001\r\n";
    platform_ext::setRegistryFile(settings.c_str());

    JpegRecipe recipe;
    recipe.width = 48;
    recipe.height = 32;
    recipe.samples = photoLikeSamples(48, 32, 3);
    const std::vector<uint8_t> file = makeJpeg(recipe);
    const LibjpegPicture fast = decodeWithLibjpeg(file, JDCT_IFAST);
    const LibjpegPicture accurate = decodeWithLibjpeg(file, JDCT_ISLOW);
    ASSERT_NE(fast.samples, accurate.samples) << "the picture must tell the transforms apart";

    ImageDecoder image;
    ASSERT_EQ(image.decodeJpg(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(std::vector<uint8_t>(image.bits, image.bits + size_t(image.rowPitch) * image.height),
              asDecodedPixels(fast));
    EXPECT_EQ(rgbRepackRoutine(), repackRgbRow);

    // The game's load by rows asks libjpeg for the level's byte order: the same transform
    // choice must hold there, so level 0 is the fast transform's picture, keyed and opaque.
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, &device), D3D_OK);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(createTextureFromMemory(device, file.data(), UINT(file.size()), 0xFFFFFFFF,
                                      0xFFFFFFFF, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone,
                                      FilterDefault, 0xFFFF00FF, nullptr, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(lastLevelFill(), LevelFill::Rows);
    std::vector<uint8_t> expected = asDecodedPixels(fast);
    for (size_t i = 3; i < expected.size(); i += 4)
        expected[i] = 0xFF;
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint8_t> level;
    for (UINT y = 0; y < 32; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
        level.insert(level.end(), row, row + 48 * 4);
    }
    texture->UnlockRect(0);
    EXPECT_EQ(level, expected);
    texture->Release();
    device->Release();

    platform_ext::setRegistryFile(nullptr);
    std::filesystem::remove(settings);
}

} // namespace
