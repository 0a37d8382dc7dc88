// LevelRowSink: level 0 written row by row as the blit engine's copy strategies write it
// (raw copy, direct converter or FloatColor rows, with the FilterNone rule for what the picture
// does not cover), and the lower levels halved from the rows above by the box filter's integer
// routine as soon as each pair of rows exists.
#include "blit/level_row_sink.h"

#include "blit/com_ref.h"
#include "blit/direct_convert.h"
#include "blit/pixel_codec.h"
#include "blit/row_buffer.h"
#include "blit/surface_blitter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool samePalettes(const PixelCodec& a, const PixelCodec& b) {
    if (a.palette == nullptr || b.palette == nullptr)
        return a.palette == b.palette;
    return std::equal(a.palette, a.palette + 256, b.palette);
}

// Codecs that keep nothing between rows: whole stored pixels, neither pairs nor blocks.
bool rowByRow(const PixelCodec* codec) {
    return codec != nullptr && codec->bytesPerPixel != 0 && !isPackedYuv(codec->format) &&
           !isBlockCompressed(codec->format) &&
           dynamic_cast<const WholePixelCodec*>(codec) != nullptr;
}

// Stands for the picture's memory until the first row arrives; never read.
uint8_t placeholderRow[4];

} // namespace

bool LevelRowSink::suits(PixelFormat levelFormat, uint32_t levelWidth, uint32_t levelHeight,
                         PixelFormat sourceFormat, uint32_t sourceWidth, uint32_t sourceHeight,
                         ImageFilter filter) {
    const auto wholePixels = [](PixelFormat format) {
        const uint32_t bits = getFormatInfo(format).bitsPerPixel;
        return hasPixelCodec(format) && !isPackedYuv(format) && !isBlockCompressed(format) &&
               bits != 0 && bits % 8 == 0;
    };
    const bool sameSize = levelWidth == sourceWidth && levelHeight == sourceHeight;
    return isValidFilter(filter) && (sameSize || filterKind(filter) == FilterNone) &&
           wholePixels(levelFormat) && wholePixels(sourceFormat);
}

LevelRowSink::~LevelRowSink() {
    // The converter refers to the codecs, the codecs to the locked memory.
    direct_.reset();
    source_.reset();
    destination_.reset();
    clearUnfinishedLevels();
}

// The levels are locked with the promise that every pixel is written; a fill that stops
// short keeps it by clearing them, so they read as a new texture's levels.
void LevelRowSink::clearUnfinishedLevels() {
    if (finished_ || !levels_)
        return;
    for (uint32_t level = 0; level < lockedLevels_; ++level) {
        const Level& entry = levels_[level];
        std::memset(entry.bits, 0, size_t(entry.pitch) * entry.height);
    }
    finished_ = true;
}

HRESULT LevelRowSink::open(IDirect3DTexture8* texture, const PALETTEENTRY* levelPalette,
                           const Source& source, ImageFilter filter, ImageFilter mipFilter) {
    if (open_ || texture == nullptr || source.width == 0 || source.height == 0 ||
        !isValidFilter(filter))
        return E_FAIL;
    const uint32_t levelCount = texture->GetLevelCount();
    if (levelCount == 0)
        return E_FAIL;

    // The lower levels are halvings of the level above exactly where the box filter would take
    // its integer path: no dither, and both sides of the level above at least 2 pixels.
    D3DSURFACE_DESC desc = {};
    if (FAILED(texture->GetLevelDesc(0, &desc)))
        return E_FAIL;
    const bool boxMips = isValidFilter(mipFilter) && filterKind(mipFilter) == FilterBox &&
                         (mipFilter & FilterDither) == 0;
    halve_ = boxMips ? boxRowRoutine(desc.Format) : nullptr;
    uint32_t made = 1;
    for (uint32_t w = desc.Width, h = desc.Height; halve_ != nullptr && made < levelCount &&
                                                   w >= 2 && h >= 2;
         w /= 2, h /= 2)
        ++made;

    levels_.reset(new (std::nothrow) Level[made]);
    if (!levels_)
        return E_FAIL;
    for (uint32_t level = 0; level < made; ++level) {
        Level& entry = levels_[level];
        ComRef<IDirect3DSurface8> surface;
        if (FAILED(texture->GetSurfaceLevel(level, surface.out())) ||
            FAILED(entry.lock.lock(surface.get(), level == 0 ? levelPalette : nullptr, nullptr, 0,
                                   LockWritesAll))) {
            clearUnfinishedLevels();
            return E_FAIL;
        }
        const BlitSurface& side = entry.lock.side();
        entry.bits = side.bits;
        entry.pitch = side.rowPitch;
        entry.width = side.rect.width();
        entry.height = side.rect.height();
        lockedLevels_ = level + 1;
    }
    cascadeLevels_ = made;
    const HRESULT hr = prepareConversion(source, filter);
    if (FAILED(hr)) {
        clearUnfinishedLevels();
        return hr;
    }
    open_ = true;
    return D3D_OK;
}

// The choice the blit engine's strategy chain makes for this picture and this level.
HRESULT LevelRowSink::prepareConversion(const Source& source, ImageFilter filter) {
    BlitSurface destination = levels_[0].lock.side();
    destination.dither = (filter & FilterDither) != 0 ? 1 : 0;
    destination.highQualityBlocks = blockQualityOf(filter);
    destination.colorKey = 0;

    BlitSurface picture;
    picture.bits = placeholderRow;
    picture.format = source.format;
    picture.rowPitch = source.rowPitch;
    picture.extent = {0, 0, int32_t(source.width), int32_t(source.height), 0, 1};
    picture.rect = picture.extent;
    picture.colorKey = source.colorKey;
    picture.palette = source.palette;
    // What the blit would refuse, it refuses: the caller's general path answers for it.
    if (FAILED(checkBlitSides(destination, picture, filter)))
        return E_FAIL;
    // Each row arrives at its own address: the source codec reads row y at `bits` itself.
    picture.rowPitch = 0;

    destination_ = createPixelCodec(destination);
    source_ = createPixelCodec(picture);
    if (!rowByRow(destination_.get()) || !rowByRow(source_.get()) ||
        !destination_->setSourceRange(source_->range))
        return E_FAIL;

    PixelCodec& dst = *destination_;
    PixelCodec& src = *source_;
    sourceWidth_ = source.width;
    sourceHeight_ = source.height;
    bottomUp_ = source.bottomUp;
    bytesPerPixel_ = dst.bytesPerPixel;
    const bool sameSize = dst.width == src.width && dst.height == src.height;
    if (!sameSize && filterKind(filter) != FilterNone)
        return E_FAIL;
    copyWidth_ = std::min(dst.width, src.width);
    copyHeight_ = std::min(dst.height, src.height);

    if (sameSize && dst.format == src.format && !src.keyEnabled && samePalettes(dst, src)) {
        mode_ = Mode::Raw;
        return D3D_OK;
    }
    direct_ = findDirectConverter(dst, src, uint64_t(copyWidth_) * copyHeight_);
    if (direct_) {
        mode_ = Mode::Direct;
        return D3D_OK;
    }
    // Decoding never writes past the picture's width: the tail of the row stays transparent
    // black, as the FilterNone strategy leaves it.
    mode_ = Mode::Float;
    floatRow_ = allocateRow(std::max(src.width, dst.width));
    blankRow_ = allocateRow(dst.width);
    return floatRow_ && blankRow_ ? D3D_OK : E_FAIL;
}

uint32_t LevelRowSink::nextLevelRow() const {
    return bottomUp_ ? sourceHeight_ - 1 - rowsPut_ : rowsPut_;
}

void LevelRowSink::putRow(const uint8_t* row) {
    if (!open_ || rowsPut_ >= sourceHeight_)
        return;
    const uint32_t y = nextLevelRow();
    writeLeadingBlankRows();
    if (y < copyHeight_)
        writeLevelRow(y, row);
    ++rowsPut_;
}

void LevelRowSink::writeLevelRow(uint32_t y, const uint8_t* row) {
    const Level& top = levels_[0];
    switch (mode_) {
    case Mode::Raw:
        std::memcpy(top.row(y), row, size_t(top.width) * bytesPerPixel_);
        break;
    case Mode::Direct:
        source_->bits = const_cast<uint8_t*>(row);
        direct_->convertRow(y, 0, copyWidth_);
        std::memset(top.row(y) + size_t(copyWidth_) * bytesPerPixel_, 0,
                    size_t(top.width - copyWidth_) * bytesPerPixel_);
        break;
    case Mode::Float:
        source_->bits = const_cast<uint8_t*>(row);
        source_->decodeRow(y, 0, floatRow_.get());
        destination_->encodeRow(y, 0, floatRow_.get());
        break;
    }
    rowDone(0, y);
}

void LevelRowSink::writeBlankRow(uint32_t y) {
    const Level& top = levels_[0];
    if (mode_ == Mode::Float)
        destination_->encodeRow(y, 0, blankRow_.get());
    else
        std::memset(top.row(y), 0, size_t(top.width) * bytesPerPixel_);
    rowDone(0, y);
}

// The level rows that no picture row covers come in the same order as the others: after the
// picture top down, before it bottom up.
void LevelRowSink::writeLeadingBlankRows() {
    const uint32_t height = levels_[0].height;
    if (!bottomUp_ || blankRowsWritten_ == height - copyHeight_ || rowsPut_ != 0)
        return;
    for (uint32_t blank = height; blank-- > copyHeight_;)
        writeBlankRow(blank);
    blankRowsWritten_ = height - copyHeight_;
}

// A finished row of `level` completes a pair when its partner came before it; the pair
// becomes the next level's row, which may complete a pair in turn.
void LevelRowSink::rowDone(uint32_t level, uint32_t y) {
    if (level + 1 >= cascadeLevels_)
        return;
    const bool pairComplete = bottomUp_ ? y % 2 == 0 : y % 2 == 1;
    const Level& above = levels_[level];
    const Level& below = levels_[level + 1];
    const uint32_t k = y / 2;
    if (!pairComplete || k >= below.height)
        return;
    halve_(above.row(2 * k), above.row(2 * k + 1), below.row(k), below.width);
    rowDone(level + 1, k);
}

HRESULT LevelRowSink::close() {
    if (!open_)
        return E_FAIL;
    open_ = false;
    const bool complete = rowsPut_ == sourceHeight_;
    if (complete && !bottomUp_) {
        for (uint32_t y = copyHeight_; y < levels_[0].height; ++y)
            writeBlankRow(y);
    }
    direct_.reset();
    source_.reset();
    destination_.reset();
    if (complete)
        finished_ = true;
    else
        clearUnfinishedLevels();
    HRESULT result = complete ? D3D_OK : E_FAIL;
    for (uint32_t level = 0; level < cascadeLevels_; ++level) {
        const HRESULT hr = levels_[level].lock.unlock(complete);
        if (SUCCEEDED(result) && FAILED(hr))
            result = hr;
    }
    return result;
}
