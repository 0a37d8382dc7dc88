// The end of the pixel pipeline: alpha test, blending (every Direct3D 8 blend factor and
// operation) and the store into an X8R8G8B8 or R5G6B5 render target. The game's two cases
// (opaque, and SRCALPHA / INVSRCALPHA / ADD without the alpha test) go to the span kernels on
// either target; everything else takes the per-pixel path.
#pragma once

#include "d3d8/drawing_state.h"

#include <cstdint>

namespace d3d8 {

class SpanOutput {
public:
    // Reads the blend and alpha-test states; D3D_OK or D3DERR_INVALIDCALL for values that
    // are not Direct3D 8's, or for source-alpha factors on a device without them.
    HRESULT configure(const DrawingState& state, D3DFORMAT target, const D3DCAPS8& caps);

    // Blending SRCALPHA / INVSRCALPHA / ADD into a 32-bit target, without the alpha test.
    bool blendsSourceOver32() const { return path_ == Path::SourceOver32; }

    // Writes n colours to the row from pixel x on.
    void write(BYTE* row, int x, const uint32_t* colors, int n) const;

private:
    enum class Path { Opaque32, SourceOver32, Opaque16, SourceOver16, PerPixel };

    bool passesAlphaTest(uint32_t alpha) const;
    uint32_t blend(uint32_t source, uint32_t dest) const;
    void writePerPixel(BYTE* row, int x, const uint32_t* colors, int n) const;

    Path path_ = Path::PerPixel;
    D3DFORMAT target_ = D3DFMT_X8R8G8B8;
    bool blend_ = false;
    DWORD sourceFactor_ = D3DBLEND_ONE;
    DWORD destFactor_ = D3DBLEND_ZERO;
    DWORD operation_ = D3DBLENDOP_ADD;
    bool alphaTest_ = false;
    DWORD alphaFunction_ = D3DCMP_ALWAYS;
    uint32_t alphaReference_ = 0;
};

} // namespace d3d8
