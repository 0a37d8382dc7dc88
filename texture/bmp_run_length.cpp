// Run-length bitmap codes: runs of one index (or two alternating nibbles), absolute runs, and
// the escapes for end of line, end of bitmap and delta, clipped to the rows they write.
#include "texture/bmp_run_length.h"

#include <algorithm>
#include <cstring>

namespace {

// The second byte of a pair whose first byte is 0.
enum Escape : uint32_t { EndOfLine = 0, EndOfBitmap = 1, Delta = 2 };

// The write position: x in pixels from the left, row in stored rows from the bottom. Both
// may run past the image; writes there are dropped.
class IndexWriter {
public:
    explicit IndexWriter(const IndexRows& rows) : rows_(rows) {}

    bool inside() const { return row_ < rows_.height; }

    // `count` pixels; pixel i is high(i) for even i and low(i) for odd i.
    void run(uint32_t count, uint8_t even, uint8_t odd) {
        const uint64_t end = std::min<uint64_t>(x_ + count, rows_.width);
        uint8_t* line = rowAddress();
        if (even == odd && x_ < end)
            std::memset(line + x_, even, size_t(end - x_));
        else
            for (uint64_t at = x_; at < end; ++at)
                line[at] = (at - x_) % 2 == 0 ? even : odd;
        x_ += count;
    }

    // `count` indices taken from `source`, one per byte or two per byte high nibble first.
    void absolute(const uint8_t* source, uint32_t count, RunLength kind) {
        const uint64_t end = std::min<uint64_t>(x_ + count, rows_.width);
        uint8_t* line = rowAddress();
        for (uint64_t at = x_, i = 0; at < end; ++at, ++i) {
            if (kind == RunLength::EightBit)
                line[at] = source[i];
            else
                line[at] = i % 2 == 0 ? source[i / 2] >> 4 : source[i / 2] & 0x0F;
        }
        x_ += count;
    }

    void endOfLine() {
        x_ = 0;
        ++row_;
    }

    void move(uint32_t right, uint32_t up) {
        x_ += right;
        row_ += up;
    }

private:
    uint8_t* rowAddress() const {
        return rows_.pixels + (uint64_t(rows_.height) - 1 - row_) * rows_.rowPitch;
    }

    IndexRows rows_;
    uint64_t x_ = 0;
    uint64_t row_ = 0;
};

} // namespace

HRESULT decodeRunLength(const ByteReader& file, uint64_t offset, RunLength kind,
                        const IndexRows& rows) {
    IndexWriter writer(rows);
    uint64_t at = offset;
    while (writer.inside()) {
        uint32_t count = 0, value = 0;
        if (!file.u8(at, &count) || !file.u8(at + 1, &value))
            return E_FAIL;
        at += 2;
        if (count > 0) {
            if (kind == RunLength::EightBit)
                writer.run(count, uint8_t(value), uint8_t(value));
            else
                writer.run(count, uint8_t(value >> 4), uint8_t(value & 0x0F));
            continue;
        }
        switch (value) {
        case EndOfLine:
            writer.endOfLine();
            break;
        case EndOfBitmap:
            return D3D_OK;
        case Delta: {
            uint32_t right = 0, up = 0;
            if (!file.u8(at, &right) || !file.u8(at + 1, &up))
                return E_FAIL;
            at += 2;
            writer.move(right, up);
            break;
        }
        default: {
            // An absolute run is padded to a whole number of 16-bit words.
            const uint32_t bytes = kind == RunLength::EightBit ? value : (value + 1) / 2;
            if (!file.contains(at, bytes))
                return E_FAIL;
            writer.absolute(file.at(at), value, kind);
            at += bytes + bytes % 2;
            break;
        }
        }
    }
    return D3D_OK;
}
