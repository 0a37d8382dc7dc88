// The PNG fast path held to libpng's path: the same result, format, rows and palette on every
// PngSuite file, fixture and picture, and on files corrupted in each way a file can be, with its
// rows made at once or left pending until asked for; which files it takes; its vector routines
// against their plain twins; the row reader.
#include "texture/png_fast_decode.h"

#include "blit/surface_blitter.h"

#include "tests/support/photos.h"
#include "tests/texture/png_maker.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Decoded {
    HRESULT result = E_FAIL;
    PngDecodePath path = PngDecodePath::None;
    PixelFormat format = D3DFMT_UNKNOWN;
    UINT width = 0, height = 0, rowPitch = 0;
    Bytes pixels;
    Bytes palette;
};

enum class Decode { Libpng, Rows, PendingRows };

Decoded decodeWith(Decode how, const Bytes& file) {
    ImageDecoder image;
    image.pendRows = how == Decode::PendingRows;
    Decoded d;
    d.result = how == Decode::Libpng ? decodePngWithLibpng(image, file.data(), UINT(file.size()))
                                     : image.decodePng(file.data(), UINT(file.size()));
    d.path = how == Decode::Libpng ? PngDecodePath::Libpng : lastPngDecodePath();
    if (FAILED(d.result))
        return d;
    if (how == Decode::PendingRows) {
        // The fast path leaves every row to be made; libpng's path makes them all.
        EXPECT_EQ(image.pendingRows != nullptr, d.path == PngDecodePath::Fast);
        if (image.pendingRows != nullptr) {
            EXPECT_EQ(image.pendingRows->madeRows(), 0u);
            image.finishRows();
            EXPECT_EQ(image.pendingRows->madeRows(), image.height);
        }
    }
    d.format = image.format;
    d.width = image.width;
    d.height = image.height;
    d.rowPitch = image.rowPitch;
    d.pixels.assign(image.bits, image.bits + size_t(image.rowPitch) * image.height);
    if (image.palette != nullptr) {
        const auto* entries = reinterpret_cast<const uint8_t*>(image.palette);
        d.palette.assign(entries, entries + 256 * sizeof(PALETTEENTRY));
    }
    return d;
}

// Both paths on one file: the same answer to the byte. Returns the path decodePng took.
PngDecodePath expectSameAsLibpng(const Bytes& file, const std::string& name) {
    const Decoded reference = decodeWith(Decode::Libpng, file);
    const Decoded decoded = decodeWith(Decode::Rows, file);
    const Decoded pending = decodeWith(Decode::PendingRows, file);
    EXPECT_EQ(pending.path, decoded.path) << name;
    EXPECT_EQ(uint32_t(pending.result), uint32_t(reference.result)) << name;
    EXPECT_TRUE(pending.pixels == reference.pixels) << name << ": pending rows differ";
    EXPECT_TRUE(pending.palette == reference.palette) << name << ": palettes differ";
    EXPECT_EQ(uint32_t(decoded.result), uint32_t(reference.result)) << name;
    EXPECT_EQ(decoded.format, reference.format) << name;
    EXPECT_EQ(decoded.width, reference.width) << name;
    EXPECT_EQ(decoded.height, reference.height) << name;
    EXPECT_EQ(decoded.rowPitch, reference.rowPitch) << name;
    EXPECT_TRUE(decoded.pixels == reference.pixels) << name << ": rows differ";
    EXPECT_TRUE(decoded.palette == reference.palette) << name << ": palettes differ";
    return decoded.path;
}

std::vector<fs::path> filesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(PngFastPath, EveryCorpusFileDecodesAsLibpngDoes) {
    int fast = 0, total = 0;
    std::string fastNames;
    for (const fs::path& path : filesUnder(PNGSUITE_DIR)) {
        const std::string name = path.stem().string();
        const PngDecodePath took = expectSameAsLibpng(test_support::readFileBytes(path), name);
        ++total;
        if (took == PngDecodePath::Fast) {
            ++fast;
            fastNames += name + ' ';
        }
        // Non-interlaced files without gamma correction: every filter type, every zlib
        // level, paletted files of every depth (their gamma is the decoder's own table).
        if (name.rfind("f0", 0) == 0 || name.rfind("z0", 0) == 0 ||
            name.rfind("basn3", 0) == 0) {
            EXPECT_EQ(took, PngDecodePath::Fast) << name;
        }
        // Interlaced and corrupt files are libpng's.
        if (name[0] == 'x' || name.rfind("basi", 0) == 0) {
            EXPECT_EQ(took, PngDecodePath::Libpng) << name;
        }
    }
    std::printf("fast path: %d of %d files: %s\n", fast, total, fastNames.c_str());
    EXPECT_EQ(total, 175);
    // The files without gamma correction, of every depth and filter (most PngSuite files
    // carry gAMA 1.0, which libpng corrects).
    EXPECT_EQ(fast, 58);
}

TEST(PngFastPath, GamePicturesAndPhotographsTakeTheFastPath) {
    std::vector<fs::path> files = filesUnder(fs::path(TESTDATA_DIR) / "photos");
    for (const auto& folder : {"real-photos", "real-greys"})
        for (const fs::path& path : filesUnder(fs::path(TESTDATA_DIR) / folder))
            files.push_back(path);
    for (const fs::path& path : filesUnder(ASSETS_DIR))
        files.push_back(path);
    ASSERT_GE(files.size(), 10u);
    for (const fs::path& path : files)
        EXPECT_EQ(expectSameAsLibpng(test_support::readFileBytes(path), path.string()),
                  PngDecodePath::Fast)
            << path;
}

// ---- Corrupt files ---------------------------------------------------------------------------

uint32_t readBigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct ChunkSpan {
    size_t at; // the length field
    std::string name;
    size_t length;
};

std::vector<ChunkSpan> chunksOf(const Bytes& file) {
    std::vector<ChunkSpan> chunks;
    for (size_t at = 8; at + 12 <= file.size();) {
        const size_t length = readBigEndian32(&file[at]);
        chunks.push_back({at, std::string(file.begin() + at + 4, file.begin() + at + 8), length});
        at += 12 + length;
    }
    return chunks;
}

// The zlib stream of a file's IDAT chunks, gathered.
Bytes streamOf(const Bytes& file) {
    Bytes stream;
    for (const ChunkSpan& c : chunksOf(file))
        if (c.name == "IDAT")
            stream.insert(stream.end(), file.begin() + c.at + 8, file.begin() + c.at + 8 + c.length);
    return stream;
}

// The file with its IDAT chunks replaced by `stream` cut into chunks of `piece` bytes, the
// last one `lastPiece` long when given (so the Adler-32 can sit in a chunk of its own).
Bytes withStream(const Bytes& file, const Bytes& stream, size_t piece, size_t lastPiece = 0) {
    Bytes out(file.begin(), file.begin() + 8);
    bool written = false;
    for (const ChunkSpan& c : chunksOf(file)) {
        if (c.name != "IDAT") {
            appendChunk(out, c.name.c_str(), Bytes(file.begin() + c.at + 8,
                                                   file.begin() + c.at + 8 + c.length));
            continue;
        }
        if (written)
            continue;
        written = true;
        const size_t body = lastPiece != 0 ? stream.size() - lastPiece : stream.size();
        for (size_t at = 0; at < body; at += piece)
            appendChunk(out, "IDAT",
                        Bytes(stream.begin() + at, stream.begin() + std::min(body, at + piece)));
        if (lastPiece != 0)
            appendChunk(out, "IDAT", Bytes(stream.end() - lastPiece, stream.end()));
    }
    return out;
}

// A 40 x 30 picture of noise over a gradient: every filter type is worth something to the
// writer, and the stream has no long runs.
Bytes noisyPicture(int colorType) {
    PngRecipe r;
    r.width = 40;
    r.height = 30;
    r.colorType = colorType;
    const int channels = colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    std::mt19937 random(4030);
    for (uint32_t y = 0; y < r.height; ++y)
        for (uint32_t x = 0; x < r.width * channels; ++x)
            r.rows.push_back(uint8_t(x * 3 + y * 5 + random() % 24));
    return makePng(r);
}

Bytes compressed(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

size_t chunkAt(const Bytes& file, const std::string& name, int which = 0) {
    for (const ChunkSpan& c : chunksOf(file))
        if (c.name == name && which-- == 0)
            return c.at;
    ADD_FAILURE() << "no " << name;
    return 0;
}

struct Corruption {
    const char* name;
    Bytes (*make)(const Bytes& picture);
    HRESULT libpngResult; // what libpng's path answers, which the fast path must match
};

const Corruption corruptionTable[] = {
    {"BitFlippedInTheCompressedData",
     [](const Bytes& p) {
         Bytes s = streamOf(p);
         s[s.size() / 2] ^= 0x10;
         return withStream(p, s, 1000);
     },
     E_FAIL},
    {"BitFlippedUnderTheCrc",
     [](const Bytes& p) {
         Bytes f = withStream(p, streamOf(p), 1000);
         f[chunkAt(f, "IDAT", 1) + 20] ^= 0x01;
         return f;
     },
     E_FAIL},
    {"CrcOfTheFirstChunkFlipped",
     [](const Bytes& p) {
         Bytes f = withStream(p, streamOf(p), 1000);
         f[chunkAt(f, "IDAT") + 8 + 1000] ^= 0x80;
         return f;
     },
     E_FAIL},
    {"CrcOfTheLastChunkFlipped",
     [](const Bytes& p) {
         Bytes f = withStream(p, streamOf(p), 1000);
         const size_t end = chunkAt(f, "IEND");
         f[end - 1] ^= 0x80;
         return f;
     },
     E_FAIL},
    {"AdlerFlippedBesideTheData",
     [](const Bytes& p) {
         Bytes s = streamOf(p);
         s[s.size() - 2] ^= 0x04;
         return withStream(p, s, 1000);
     },
     E_FAIL},
    {"AdlerFlippedInAChunkOfItsOwn",
     [](const Bytes& p) {
         Bytes s = streamOf(p);
         s[s.size() - 2] ^= 0x04;
         return withStream(p, s, 1000, 4);
     },
     // libpng checks an Adler-32 it reaches after the last row only as a warning.
     D3D_OK},
    {"StreamCutShort",
     [](const Bytes& p) {
         Bytes s = streamOf(p);
         s.resize(s.size() - 40);
         return withStream(p, s, 1000);
     },
     E_FAIL},
    {"FileCutInTheData",
     [](const Bytes& p) {
         Bytes f = withStream(p, streamOf(p), 1000);
         f.resize(chunkAt(f, "IDAT", 1) + 300);
         return f;
     },
     E_FAIL},
    {"UnknownFilterType",
     [](const Bytes& p) {
         const size_t stride = 40 * (p[25] == PNG_COLOR_TYPE_RGB ? 3 : 4) + 1;
         Bytes rows(30 * stride, 0x40);
         rows[7 * stride] = 5;
         return withStream(p, compressed(rows), 1000);
     },
     E_FAIL},
    {"MoreRowsThanTheHeaderSays",
     [](const Bytes& p) {
         const size_t stride = 40 * (p[25] == PNG_COLOR_TYPE_RGB ? 3 : 4) + 1;
         return withStream(p, compressed(Bytes(31 * stride, 0)), 1000);
     },
     D3D_OK},
    {"NoEndChunk",
     [](const Bytes& p) {
         Bytes f = p;
         f.resize(chunkAt(f, "IEND"));
         return f;
     },
     D3D_OK},
    {"BytesAfterTheStreamInItsChunk",
     [](const Bytes& p) {
         Bytes s = streamOf(p);
         s.insert(s.end(), {1, 2, 3, 4, 5});
         return withStream(p, s, 1000);
     },
     D3D_OK},
    {"ChunkOfJunkAfterTheStream",
     [](const Bytes& p) {
         Bytes f = p;
         f.resize(chunkAt(f, "IEND"));
         appendChunk(f, "IDAT", {9, 9, 9, 9});
         appendChunk(f, "IEND", {});
         return f;
     },
     D3D_OK},
    {"JunkAfterTheEnd",
     [](const Bytes& p) {
         Bytes f = p;
         f.insert(f.end(), 100, 0xA5);
         return f;
     },
     D3D_OK},
    {"AncillaryCrcWrong",
     [](const Bytes& p) {
         Bytes f = withChunkAfterHeader(p, "tEXt", {'a', 0, 'b'});
         f[chunkAt(f, "tEXt") + 8 + 3] ^= 0x01;
         return f;
     },
     D3D_OK},
    {"GammaCrcWrong",
     [](const Bytes& p) {
         Bytes f = withChunkAfterHeader(p, "gAMA", bigEndian32(100000));
         f[chunkAt(f, "gAMA") + 8 + 4] ^= 0x01;
         return f;
     },
     D3D_OK},
};

TEST(PngFastPathCorruption, EachCorruptionGivesLibpngsAnswer) {
    for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        const Bytes picture = noisyPicture(colorType);
        ASSERT_EQ(expectSameAsLibpng(withStream(picture, streamOf(picture), 1000), "whole"),
                  PngDecodePath::Fast);
        for (const Corruption& c : corruptionTable) {
            SCOPED_TRACE(c.name);
            const Bytes file = c.make(picture);
            expectSameAsLibpng(file, c.name);
            ImageDecoder image;
            EXPECT_EQ(uint32_t(image.decodePng(file.data(), UINT(file.size()))),
                      uint32_t(c.libpngResult));
        }
    }
}

// ---- Files near the edge of what the fast path takes ----------------------------------------

PngRecipe smallRecipe(int colorType, int bitDepth) {
    PngRecipe r;
    r.width = 9;
    r.height = 5;
    r.colorType = colorType;
    r.bitDepth = bitDepth;
    const size_t channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const size_t stride = (r.width * channels * bitDepth + 7) / 8;
    for (size_t i = 0; i < stride * r.height; ++i)
        r.rows.push_back(uint8_t(i * 37 + 11));
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        for (int i = 0; i < 3 << bitDepth; ++i)
            r.palette.push_back(uint8_t(i * 5 + 3));
    return r;
}

struct EdgeCase {
    const char* name;
    Bytes file;
    PngDecodePath path;
};

std::vector<EdgeCase> edgeCases() {
    const PngRecipe rgb = smallRecipe(PNG_COLOR_TYPE_RGB, 8);
    const PngRecipe indexed = smallRecipe(PNG_COLOR_TYPE_PALETTE, 4);
    const Bytes rgbFile = makePng(rgb), indexedFile = makePng(indexed);
    auto withGamma = [](const Bytes& file, uint32_t gamma) {
        return withChunkAfterHeader(file, "gAMA", bigEndian32(gamma));
    };
    auto afterPalette = [](const Bytes& file, const char* name, const Bytes& data) {
        Bytes out;
        for (const ChunkSpan& c : chunksOf(file)) {
            if (out.empty())
                out.assign(file.begin(), file.begin() + 8);
            appendChunk(out, c.name.c_str(),
                        Bytes(file.begin() + c.at + 8, file.begin() + c.at + 8 + c.length));
            if (c.name == "PLTE")
                appendChunk(out, name, data);
        }
        return out;
    };
    const auto fast = PngDecodePath::Fast, libpng = PngDecodePath::Libpng;
    return {
        // libpng leaves a correction within 5% of none undone; the fast path takes 1%.
        {"GammaJustBelowTheWindow", withGamma(rgbFile, 44999), libpng},
        {"GammaAtTheWindowsLowEnd", withGamma(rgbFile, 45000), fast},
        {"GammaOfTheStandardSpace", withGamma(rgbFile, 45455), fast},
        {"GammaAtTheWindowsHighEnd", withGamma(rgbFile, 46000), fast},
        {"GammaJustAboveTheWindow", withGamma(rgbFile, 46001), libpng},
        {"GammaOfOneCorrected", withGamma(rgbFile, 100000), libpng},
        {"StandardSpaceWithItsGamma",
         withGamma(withChunkAfterHeader(rgbFile, "sRGB", {0}), 45455), fast},
        {"StandardSpaceWithAnotherGamma",
         withGamma(withChunkAfterHeader(rgbFile, "sRGB", {0}), 100000), libpng},
        // A palette takes the decoder's own table for any gamma libpng reports.
        {"PaletteGammaTooSmallToReport", withGamma(indexedFile, 15), libpng},
        {"PaletteGammaSmallest", withGamma(indexedFile, 16), fast},
        {"PaletteGammaOne", withGamma(indexedFile, 100000), fast},
        {"PaletteGammaLargest", withGamma(indexedFile, 300000), fast},
        {"PaletteGammaBeyond", withGamma(indexedFile, 300001), libpng},
        {"GammaAfterThePalette", afterPalette(indexedFile, "gAMA", bigEndian32(100000)), libpng},
        {"TransparencyBeforeThePalette", withChunkAfterHeader(indexedFile, "tRNS", {0, 9}),
         libpng},
        {"TransparencyAfterThePalette", afterPalette(indexedFile, "tRNS", {0, 9}), fast},
        {"TransparencyLongerThanThePalette", afterPalette(indexedFile, "tRNS", Bytes(49, 7)),
         libpng},
        {"Chromaticities", withChunkAfterHeader(rgbFile, "cHRM", Bytes(32, 1)), libpng},
        {"TwoGammas", withGamma(withGamma(rgbFile, 45455), 45455), libpng},
        {"InertChunks",
         withChunkAfterHeader(withChunkAfterHeader(rgbFile, "tEXt", {'k', 0, 'v'}), "pHYs",
                              Bytes(9, 0)),
         fast},
        {"KeyBeyondTheDepth", withChunkAfterHeader(rgbFile, "tRNS", {1, 0, 0, 0, 0, 0}), libpng},
        {"PrivateCriticalChunk", withChunkAfterHeader(rgbFile, "PRIV", {1}), libpng},
    };
}

TEST(PngFastPathEdges, EachEdgeTakesItsPathWithLibpngsAnswer) {
    for (const EdgeCase& c : edgeCases())
        EXPECT_EQ(expectSameAsLibpng(c.file, c.name), c.path) << c.name;
}

// ---- Vector routines against their plain twins -----------------------------------------------

Bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (uint8_t& b : bytes)
        b = uint8_t(random());
    return bytes;
}

TEST(PngFastPathVectors, RowFiltersMatchThePlainOnesAndStayInTheirRow) {
    if (!pngUnfilterSse41Supported())
        GTEST_SKIP() << "no SSE4.1";
    for (uint32_t pixelBytes : {3u, 4u}) {
        const PngUnfilterSet& plain = plainPngUnfilters(pixelBytes);
        const PngUnfilterSet& vector = *sse41PngUnfilters(pixelBytes);
        for (size_t width = 1; width <= 41; ++width) {
            const size_t rowBytes = width * pixelBytes;
            // Exactly sized, so that a read beyond the row is caught by the sanitizer.
            const Bytes filtered = randomBytes(rowBytes, uint32_t(width));
            const Bytes prior = randomBytes(rowBytes, uint32_t(width + 100));
            for (uint32_t filter = 1; filter <= 4; ++filter) {
                Bytes expected(rowBytes + 8, 0xA5), actual(rowBytes + 8, 0xA5);
                ASSERT_TRUE(unfilterPngRow(plain, filter, filtered.data(), prior.data(),
                                           expected.data(), rowBytes));
                ASSERT_TRUE(unfilterPngRow(vector, filter, filtered.data(), prior.data(),
                                           actual.data(), rowBytes));
                EXPECT_EQ(actual, expected) << pixelBytes << " bytes, width " << width
                                            << ", filter " << filter;
            }
        }
    }
    const Bytes row(6, 1);
    Bytes out(6);
    EXPECT_FALSE(unfilterPngRow(plainPngUnfilters(3), 5, row.data(), row.data(), out.data(), 6));
}

TEST(PngFastPathVectors, ShufflesMatchThePlainOnesAndStayInTheirRow) {
    if (!pngPixelsSsse3Supported())
        GTEST_SKIP() << "no SSSE3";
    const PngLayout layout;
    for (uint32_t width = 0; width <= 37; ++width) {
        for (uint32_t storedBytes : {3u, 4u}) {
            const Bytes stored = randomBytes(size_t(width) * storedBytes, width);
            Bytes expected(width * 4 + 8, 0x5A), actual(width * 4 + 8, 0x5A);
            if (storedBytes == 3) {
                rgbToBgrxRow(stored.data(), expected.data(), width, layout);
                rgbToBgrxRowSsse3(stored.data(), actual.data(), width, layout);
            } else {
                rgbaToBgraRow(stored.data(), expected.data(), width, layout);
                rgbaToBgraRowSsse3(stored.data(), actual.data(), width, layout);
            }
            EXPECT_EQ(actual, expected) << storedBytes << " bytes, width " << width;
        }
    }
}

// ---- The row reader ----------------------------------------------------------------------------

TEST(PngRowReader, YieldsTheDecodedRowsInOrder) {
    const Bytes files[] = {noisyPicture(PNG_COLOR_TYPE_RGB), noisyPicture(PNG_COLOR_TYPE_RGB_ALPHA),
                           makePng(smallRecipe(PNG_COLOR_TYPE_PALETTE, 2))};
    for (const Bytes& file : files) {
        const Decoded whole = decodeWith(Decode::Rows, file);
        ASSERT_EQ(whole.path, PngDecodePath::Fast);
        PngRowReader reader;
        ASSERT_TRUE(reader.accept(file.data(), UINT(file.size())));
        EXPECT_EQ(reader.plan().format, whole.format);
        ASSERT_EQ(reader.rowBytes(), whole.rowPitch);
        ASSERT_EQ(reader.inflate(), D3D_OK);
        Bytes rows;
        for (UINT y = 0; y < whole.height; ++y) {
            Bytes row(reader.rowBytes());
            reader.readRow(row.data());
            rows.insert(rows.end(), row.begin(), row.end());
        }
        EXPECT_TRUE(rows == whole.pixels);
    }
}

// Pending rows are made as far as a blit of the picture's top rows reaches, and no further.
TEST(PngRowReader, PendingRowsAreMadeAsFarAsABlitReads) {
    const Bytes file = noisyPicture(PNG_COLOR_TYPE_RGB);
    const Decoded whole = decodeWith(Decode::Rows, file);
    ImageDecoder image;
    image.pendRows = true;
    ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
    ASSERT_NE(image.pendingRows, nullptr);
    ASSERT_GT(image.height, 12u);
    std::vector<uint32_t> top(size_t(image.width) * 12, 0);
    BlitSurface source;
    source.bits = const_cast<uint8_t*>(image.bits);
    source.format = image.format;
    source.rowPitch = image.rowPitch;
    source.extent = {0, 0, int32_t(image.width), int32_t(image.height), 0, 1};
    source.rect = {0, 0, int32_t(image.width), 12, 0, 1};
    BlitSurface destination;
    destination.bits = reinterpret_cast<uint8_t*>(top.data());
    destination.format = D3DFMT_A8R8G8B8;
    destination.rowPitch = image.width * 4;
    destination.extent = destination.rect = {0, 0, int32_t(image.width), 12, 0, 1};
    ASSERT_EQ(blitSurface(destination, source, FilterNone), D3D_OK);
    EXPECT_EQ(image.pendingRows->madeRows(), 12u);
    // The rows the blit read were made first: blue, green, red as the whole decode has them.
    const size_t pixelBytes = whole.rowPitch / whole.width;
    for (size_t y = 0; y < 12; ++y) {
        for (size_t x = 0; x < image.width; ++x) {
            const uint8_t* pixel = &whole.pixels[y * whole.rowPitch + pixelBytes * x];
            ASSERT_EQ(top[y * image.width + x] & 0xFFFFFF,
                      uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16)
                << x << ", " << y;
        }
    }
    image.finishRows();
    EXPECT_TRUE(Bytes(image.bits, image.bits + size_t(image.rowPitch) * image.height) ==
                whole.pixels);
}

TEST(PngRowReader, LeavesInterlacedAndCorruptFilesToLibpng) {
    PngRecipe interlaced = smallRecipe(PNG_COLOR_TYPE_RGB, 8);
    interlaced.interlaced = true;
    const Bytes interlacedFile = makePng(interlaced);
    PngRowReader first;
    EXPECT_FALSE(first.accept(interlacedFile.data(), UINT(interlacedFile.size())));

    const Bytes picture = noisyPicture(PNG_COLOR_TYPE_RGB);
    Bytes stream = streamOf(picture);
    stream[stream.size() - 1] ^= 0x01; // the Adler-32
    const Bytes corrupt = withStream(picture, stream, 1000);
    PngRowReader second;
    ASSERT_TRUE(second.accept(corrupt.data(), UINT(corrupt.size())));
    EXPECT_EQ(second.inflate(), S_FALSE);
}

} // namespace
