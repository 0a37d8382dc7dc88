// Texture stage 0 of the fixed-function pipeline: its colour and alpha operations (DISABLE,
// SELECTARG1, SELECTARG2, MODULATE) over the arguments DIFFUSE, CURRENT, TEXTURE, TFACTOR and
// SPECULAR, with the COMPLEMENT and ALPHAREPLICATE modifiers. Stages 1 to 7 must be disabled.
#pragma once

#include "d3d8/drawing_state.h"

#include <cstdint>

namespace d3d8 {

struct TextureStage {
    DWORD colorOp, colorArg1, colorArg2;
    DWORD alphaOp, alphaArg1, alphaArg2;
    uint32_t factor; // D3DRS_TEXTUREFACTOR

    // Reads the stage from the drawing state; D3D_OK, or the unsupported-operation code.
    HRESULT configure(const DrawingState& state);

    bool readsTexture() const;
    bool readsDiffuse() const;
    // The result is the texel itself when the diffuse colour is `diffuse` for every pixel.
    bool passesTexelThrough(bool diffuseIsConstant, uint32_t diffuse) const;

    // Colour and alpha are both the texel times the diffuse colour.
    bool modulatesTextureByDiffuse() const;

    // Combines texels and diffuse colours (either may be null when not read) into n colours.
    void combine(const uint32_t* texels, const uint32_t* diffuse, int n, uint32_t* out) const;
};

} // namespace d3d8
