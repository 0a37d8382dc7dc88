// The PNG decoder over the whole PngSuite corpus, corrupt files included: every file's result,
// format, size and a checksum of its decoded bytes against a checked-in table, and the decoded
// pixels against another reader's reference pictures where the shared test data is present.
#include "tests/support/photos.h"
#include "texture/image_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(PNGSUITE_DIR))
        if (entry.path().extension() == ".png")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", value);
    return text;
}

uint32_t checksum(const void* data, size_t size) {
    return uint32_t(crc32(0, static_cast<const Bytef*>(data), uInt(size)));
}

// One line per file: name, result, format, width, height, row pitch, pixel and palette CRCs.
std::string decodeLine(const fs::path& path) {
    const Bytes file = test_support::readFileBytes(path);
    ImageDecoder image;
    const HRESULT hr = image.decodePng(file.data(), UINT(file.size()));
    std::ostringstream line;
    line << path.stem().string() << '\t' << hex8(uint32_t(hr));
    if (FAILED(hr))
        return line.str();
    line << '\t' << hex8(image.format) << '\t' << image.width << '\t' << image.height << '\t'
         << image.rowPitch << '\t'
         << hex8(checksum(image.bits, size_t(image.rowPitch) * image.height)) << '\t'
         << (image.palette ? hex8(checksum(image.palette, 256 * sizeof(PALETTEENTRY))) : "-");
    return line.str();
}

TEST(PngCorpus, EveryFileDecodesAsTheCheckedInTableSays) {
    std::string actual = "name\tresult\tformat\twidth\theight\trowPitch\tpixels\tpalette\n";
    for (const fs::path& path : corpusFiles())
        actual += decodeLine(path) + '\n';
    const Bytes expected = test_support::readFileBytes(EXPECTED_TABLE);
    if (actual != std::string(expected.begin(), expected.end())) {
        std::ofstream("pngsuite_decode.actual.tsv") << actual;
        FAIL() << "decoded corpus differs from " << EXPECTED_TABLE << "; compare it with "
               << fs::absolute("pngsuite_decode.actual.tsv");
    }
}

TEST(PngCorpus, CorruptFilesFailAndTheOthersDecode) {
    int decoded = 0;
    for (const fs::path& path : corpusFiles()) {
        const Bytes file = test_support::readFileBytes(path);
        ImageDecoder image;
        const HRESULT hr = image.load(file.data(), UINT(file.size()), nullptr);
        const bool corrupt = path.stem().string()[0] == 'x';
        EXPECT_EQ(hr, corrupt ? InvalidData : D3D_OK) << path.stem();
        decoded += SUCCEEDED(hr);
    }
    EXPECT_EQ(decoded, 161);
}

// ---- Comparison with the reference pictures ----------------------------------------------------

using Rgba = std::array<int, 4>;

// A decoded pixel as red, green, blue, alpha; 16-bit samples keep their high byte.
Rgba pixelAt(const ImageDecoder& image, UINT x, UINT y) {
    const uint8_t* row = image.bits + size_t(y) * image.rowPitch;
    auto high = [](const uint8_t* sample) { return int(sample[1]); };
    switch (image.format) {
    case D3DFMT_L8:
        return {row[x], row[x], row[x], 255};
    case D3DFMT_A8L8:
        return {row[2 * x], row[2 * x], row[2 * x], row[2 * x + 1]};
    case D3DFMT_X8R8G8B8:
        return {row[4 * x + 2], row[4 * x + 1], row[4 * x], 255};
    case D3DFMT_A8R8G8B8:
        return {row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]};
    case D3DFMT_P8: {
        const PALETTEENTRY& e = image.palette[row[x]];
        return {e.peRed, e.peGreen, e.peBlue, e.peFlags};
    }
    case PixelFormatL16:
        return {high(row + 2 * x), high(row + 2 * x), high(row + 2 * x), 255};
    case PixelFormatAL16:
        return {high(row + 4 * x), high(row + 4 * x), high(row + 4 * x), high(row + 4 * x + 2)};
    case PixelFormatR16:
        return {high(row + 6 * x + 4), high(row + 6 * x + 2), high(row + 6 * x), 255};
    case PixelFormatAR16:
        return {high(row + 8 * x + 4), high(row + 8 * x + 2), high(row + 8 * x),
                high(row + 8 * x + 6)};
    }
    ADD_FAILURE() << "unexpected format " << image.format;
    return {};
}

// The file's gAMA value, 0 without one.
double fileGamma(const Bytes& file) {
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length =
            uint32_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::equal(file.begin() + at + 4, file.begin() + at + 8, "gAMA") && length == 4) {
            const uint8_t* v = &file[at + 8];
            return (uint32_t(v[0]) << 24 | v[1] << 16 | v[2] << 8 | v[3]) / 100000.0;
        }
        at += size_t(length) + 12;
    }
    return 0.0;
}

TEST(PngCorpus, PixelsMatchTheReferencePicturesCorrectedForAScreenGammaOf2_2) {
    const fs::path references = fs::path(TESTDATA_DIR) / "pngsuite" / "rgba8";
    ASSERT_TRUE(fs::is_directory(references)) << "no reference pictures at " << references;
    int compared = 0;
    for (const fs::path& path : corpusFiles()) {
        const fs::path reference = references / (path.stem().string() + ".rgba");
        if (!fs::exists(reference) || path.stem().string()[0] == 'x')
            continue;
        const Bytes file = test_support::readFileBytes(path);
        ImageDecoder image;
        ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK) << path.stem();
        const Bytes expected = test_support::readFileBytes(reference);
        ASSERT_EQ(expected.size(), size_t(image.width) * image.height * 4) << path.stem();

        // The reference is neither gamma-corrected nor, for 16-bit files, exact to the last
        // step: each decoded sample must lie within the corrected range of the reference's.
        const double gamma = fileGamma(file);
        const double exponent = gamma > 0.0 ? 1.0 / (2.2 * gamma) : 1.0;
        const bool wide = image.format == PixelFormatL16 || image.format == PixelFormatAL16 ||
                          image.format == PixelFormatR16 || image.format == PixelFormatAR16;
        const int slack = wide ? 1 : 0;
        auto corrected = [&](int value) {
            return 255.0 * std::pow(std::clamp(value, 0, 255) / 255.0, exponent);
        };
        int mismatches = 0;
        for (UINT y = 0; y < image.height; ++y) {
            for (UINT x = 0; x < image.width; ++x) {
                const Rgba got = pixelAt(image, x, y);
                const uint8_t* want = &expected[(size_t(y) * image.width + x) * 4];
                for (int c = 0; c < 4; ++c) {
                    const int lowRef = want[c] - slack, highRef = want[c] + slack;
                    const double low = c == 3 ? lowRef : std::floor(corrected(lowRef)) - 1;
                    const double high = c == 3 ? highRef : std::ceil(corrected(highRef)) + 1;
                    const bool exactExpected = gamma == 0.0 && !wide;
                    const bool ok =
                        exactExpected ? got[c] == want[c] : got[c] >= low && got[c] <= high;
                    if (!ok && ++mismatches <= 3)
                        ADD_FAILURE() << path.stem() << " (" << x << ", " << y << ") channel " << c
                                      << ": decoded " << got[c] << ", reference " << int(want[c]);
                }
            }
        }
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

} // namespace
