// The "DisableMMX" switch on the JPEG decoder: the fast integer transform and the plain colour
// repack. A program of its own, as the switch stays in force for the rest of the run.
#include "texture/image_decoder.h"
#include "texture/rgb_repack.h"

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

    platform_ext::setRegistryFile(nullptr);
    std::filesystem::remove(settings);
}

} // namespace
