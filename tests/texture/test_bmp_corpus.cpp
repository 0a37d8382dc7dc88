// The bitmap decoders over the whole BMP Suite, bad files included: every file's result, format,
// size and agreement with its reference picture against a checked-in table, and every file cut
// short at many lengths. Skipped when the shared test data is missing.
#include "texture/image_decoder.h"

#include "tests/support/photos.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path suiteFolder() {
    return fs::path(test_support::testdataPath("bmpsuite"));
}

// "g/pal1.bmp" and the like, sorted.
std::vector<std::string> suiteFiles(const fs::path& folder) {
    std::vector<std::string> files;
    for (const char* group : {"g", "q", "b", "x"})
        for (const auto& entry : fs::directory_iterator(folder / group))
            if (entry.path().extension() == ".bmp")
                files.push_back(std::string(group) + "/" + entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The suite's index names one reference per file; where the suite offers several renderings,
// the one that agrees with our decoding choices is taken: skipped run-length pixels are
// palette index 0, and pixels are not stretched to the stored aspect ratio.
std::map<std::string, std::string> referenceNames(const fs::path& folder) {
    static const std::map<std::string, std::string> chosenRenderingTable = {
        {"pal4rlecut.png", "pal4rlecut-0.png"},         {"pal4rletrns.png", "pal4rletrns-0.png"},
        {"pal8rlecut.png", "pal8rlecut-0.png"},         {"pal8rletrns.png", "pal8rletrns-0.png"},
        {"pal8nonsquare-v.png", "pal8nonsquare-e.png"},
    };
    std::map<std::string, std::string> names;
    std::ifstream index(folder / "index.tsv");
    std::string file, version, reference;
    std::getline(index, file); // column titles
    while (std::getline(index, file, '\t') && std::getline(index, version, '\t') &&
           std::getline(index, reference)) {
        const auto chosen = chosenRenderingTable.find(reference);
        names[file] = chosen != chosenRenderingTable.end() ? chosen->second : reference;
    }
    return names;
}

// A reference PNG as ARGB words; false when it cannot be read.
bool readReference(const fs::path& path, test_support::Photo* out) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.string().c_str()) == 0)
        return false;
    image.format = PNG_FORMAT_BGRA; // little-endian ARGB words
    out->width = image.width;
    out->height = image.height;
    out->argb.assign(size_t(image.width) * image.height, 0);
    return png_image_finish_read(&image, nullptr, out->argb.data(), 0, nullptr) != 0;
}

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", value);
    return text;
}

// Fully transparent pixels show nothing, whatever colour they keep.
bool samePicture(const test_support::Photo& a, const test_support::Photo& b) {
    if (a.width != b.width || a.height != b.height)
        return false;
    return std::equal(a.argb.begin(), a.argb.end(), b.argb.begin(), [](uint32_t p, uint32_t q) {
        return p == q || (p >> 24 == 0 && q >> 24 == 0);
    });
}

// "yes" when the decoded picture equals the reference pixel for pixel, "no" when it does not,
// "-" without a PNG reference.
std::string matchOf(const ImageDecoder& image, const fs::path& reference) {
    test_support::Photo want, got;
    if (reference.extension() != ".png" || !readReference(reference, &want))
        return "-";
    return test_support::convertToArgb(image, &got) && samePicture(got, want) ? "yes" : "no";
}

// One line per file: name, load's result, the bitmap decoder's own result, and for accepted
// files the format, size and reference match.
std::string decodeLine(const fs::path& folder, const std::string& file,
                       const std::string& reference) {
    const Bytes bytes = test_support::readFileBytes((folder / file).string());
    ImageDecoder own;
    const HRESULT bitmapResult = own.decodeBmp(bytes.data(), UINT(bytes.size()));
    ImageDecoder image;
    const HRESULT hr = image.load(bytes.data(), UINT(bytes.size()), nullptr);
    std::ostringstream line;
    line << file << '\t' << hex8(uint32_t(hr)) << '\t' << hex8(uint32_t(bitmapResult));
    if (FAILED(hr))
        return line.str();
    line << '\t' << hex8(image.format) << '\t' << image.width << '\t' << image.height << '\t'
         << (reference.empty() || reference == "-"
                 ? "-"
                 : matchOf(image, folder / "reference" / reference));
    return line.str();
}

class BmpCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = suiteFolder();
        ASSERT_TRUE(fs::is_directory(folder_ / "g")) << "no BMP Suite at " << folder_;
    }

    fs::path folder_;
};

TEST_F(BmpCorpus, EveryFileDecodesAsTheCheckedInTableSays) {
    const std::map<std::string, std::string> references = referenceNames(folder_);
    std::string actual = "file\tload\tbitmap\tformat\twidth\theight\tmatch\n";
    for (const std::string& file : suiteFiles(folder_)) {
        const auto reference = references.find(file);
        const std::string line =
            decodeLine(folder_, file, reference == references.end() ? "" : reference->second);
        // Whatever the table says, a good file we accept must look as it should.
        if (file.starts_with("g/")) {
            EXPECT_FALSE(line.ends_with("\tno")) << line;
        }
        actual += line + '\n';
    }
    const Bytes expected = test_support::readFileBytes(EXPECTED_TABLE);
    if (actual != std::string(expected.begin(), expected.end())) {
        std::ofstream("bmpsuite_decode.actual.tsv") << actual;
        FAIL() << "decoded suite differs from " << EXPECTED_TABLE << "; compare it with "
               << fs::absolute("bmpsuite_decode.actual.tsv");
    }
}

// Runs `decode` on a copy of `bytes` in a buffer of exactly their length, so the sanitizers
// see any read past it, and reads every pixel of an accepted image through the blit engine.
// Returns the decoder's result.
HRESULT decodeExactCopy(const uint8_t* bytes, size_t length,
                        HRESULT (ImageDecoder::*decode)(const uint8_t*, UINT)) {
    const auto copy = std::make_unique<uint8_t[]>(length);
    std::copy_n(bytes, length, copy.get());
    ImageDecoder image;
    const HRESULT hr = (image.*decode)(copy.get(), UINT(length));
    test_support::Photo pixels;
    if (SUCCEEDED(hr)) {
        EXPECT_TRUE(test_support::convertToArgb(image, &pixels));
    }
    return hr;
}

// Every file cut at each header boundary, in the middle and one byte short. The bitmap decoder
// refuses them all for their file header's size; without that header, the same bytes must
// still be decoded or refused inside the data.
TEST_F(BmpCorpus, FilesCutShortAreDecodedOrRefusedInsideTheirData) {
    for (const std::string& file : suiteFiles(folder_)) {
        const Bytes bytes = test_support::readFileBytes((folder_ / file).string());
        uint32_t statedSize = 0;
        ASSERT_GE(bytes.size(), 6u);
        std::memcpy(&statedSize, &bytes[2], 4);
        for (size_t length : {size_t(15), size_t(18), size_t(54), size_t(66), size_t(70),
                              size_t(138), bytes.size() / 2, bytes.size() - 1}) {
            if (length >= bytes.size())
                continue;
            SCOPED_TRACE(file + " cut to " + std::to_string(length));
            const HRESULT bitmap = decodeExactCopy(bytes.data(), length, &ImageDecoder::decodeBmp);
            if (statedSize > length) {
                EXPECT_EQ(bitmap, E_FAIL);
            }
            decodeExactCopy(bytes.data() + 14, length - 14, &ImageDecoder::decodeDib);
        }
    }
}

} // namespace
