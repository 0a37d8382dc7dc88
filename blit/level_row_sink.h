// A texture filled row by row as a decoder hands the rows out: each picture row goes through
// the codecs (colour key included) straight into level 0's own locked memory, and each pair of
// a level's rows is halved into the next level's row at once, while both are still in cache.
// The bytes are those of a whole-level load of the picture followed by the box mip filter.
#pragma once

#include "blit/blit_surface.h"
#include "blit/box_fast_path.h"
#include "blit/direct_convert.h"
#include "blit/float_color.h"
#include "blit/pixel_codec.h"
#include "blit/surface_lock.h"
#include "d3d8.h"

#include <cstdint>
#include <memory>

class LevelRowSink {
public:
    // The rows that will come: their format, size, palette and colour key, and whether they
    // come bottom row first (as a file stores them) rather than top row first.
    struct Source {
        PixelFormat format = D3DFMT_UNKNOWN;
        uint32_t width = 0;
        uint32_t height = 0;
        uint32_t rowPitch = 0; // of the picture as a whole buffer: for the blit's own checks
        const PALETTEENTRY* palette = nullptr;
        D3DCOLOR colorKey = 0;
        bool bottomUp = false;
    };

    // Whether a picture of that format and size can go row by row into a level of that format
    // and size with `filter`, as far as the formats and sizes tell before the texture exists.
    static bool suits(PixelFormat levelFormat, uint32_t levelWidth, uint32_t levelHeight,
                      PixelFormat sourceFormat, uint32_t sourceWidth, uint32_t sourceHeight,
                      ImageFilter filter);

    LevelRowSink() = default;
    ~LevelRowSink();
    LevelRowSink(const LevelRowSink&) = delete;
    LevelRowSink& operator=(const LevelRowSink&) = delete;

    // Locks every level of the texture and prepares level 0's conversion exactly as the blit
    // engine would make it for the picture loaded whole into the whole level with `filter`
    // (an equal-size copy, or FilterNone). Levels below are halved from the rows above while
    // `mipFilter` is the box filter without dithering and the format has the integer box path.
    // E_FAIL when the job cannot be done row by row; then nothing has been written.
    HRESULT open(IDirect3DTexture8* texture, const PALETTEENTRY* levelPalette,
                 const Source& source, ImageFilter filter, ImageFilter mipFilter);

    // The next picture row, in the declared order: `source.width` pixels of `source.format`.
    // The memory is only read during the call.
    void putRow(const uint8_t* row);

    // Whether rows are copied as they are, unused bits included (no conversion at all).
    bool copiesRaw() const { return mode_ == Mode::Raw; }

    // Checks that every row came, writes what the picture does not cover and unlocks.
    // E_FAIL when rows are missing.
    HRESULT close();

    // Levels 0 to levelsMade() - 1 are finished after close; the rest is left to the mip filter.
    uint32_t levelsMade() const { return cascadeLevels_; }

private:
    struct Level {
        SurfaceLock lock;
        uint8_t* bits = nullptr;
        uint32_t pitch = 0;
        uint32_t width = 0;
        uint32_t height = 0;
        uint8_t* row(uint32_t y) const { return bits + size_t(y) * pitch; }
    };
    enum class Mode { Raw, Direct, Float };

    HRESULT prepareConversion(const Source& source, ImageFilter filter);
    void writeLevelRow(uint32_t y, const uint8_t* row);
    void writeBlankRow(uint32_t y);
    void writeLeadingBlankRows();
    void rowDone(uint32_t level, uint32_t y);
    uint32_t nextLevelRow() const;
    void clearUnfinishedLevels();

    std::unique_ptr<Level[]> levels_;
    std::unique_ptr<PixelCodec> destination_;
    std::unique_ptr<PixelCodec> source_;
    std::unique_ptr<DirectConverter> direct_;
    std::unique_ptr<FloatColor[]> floatRow_;
    std::unique_ptr<FloatColor[]> blankRow_;
    Mode mode_ = Mode::Float;
    BoxRowRoutine halve_ = nullptr;
    uint32_t cascadeLevels_ = 0;
    uint32_t sourceWidth_ = 0;
    uint32_t sourceHeight_ = 0;
    uint32_t copyWidth_ = 0;  // pixels of a picture row that land in the level
    uint32_t copyHeight_ = 0; // picture rows that land in the level
    uint32_t bytesPerPixel_ = 0;
    bool bottomUp_ = false;
    uint32_t rowsPut_ = 0;
    uint32_t blankRowsWritten_ = 0;
    bool open_ = false;
    uint32_t lockedLevels_ = 0;
    bool finished_ = false;
};
