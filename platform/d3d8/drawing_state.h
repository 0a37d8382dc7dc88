// The device's drawing state as plain data: render states, texture stage states, transforms,
// stage textures, the vertex format, stream 0 and the viewport, with Direct3D 8's defaults,
// and the selection of states a state block holds.
#pragma once

#include "d3d8.h"

#include <bitset>

namespace d3d8 {

class TextureBase;

constexpr UINT RenderStateSlots = 256;
constexpr UINT StageCount = 8;
constexpr UINT StageStateSlots = 32;
// View, projection, eight texture matrices and 256 world matrices.
constexpr UINT TransformSlots = 2 + 8 + 256;

bool isRenderState(D3DRENDERSTATETYPE state);
bool isStageState(D3DTEXTURESTAGESTATETYPE type);
// The slot of a transform state, or -1 for a value that names none.
int transformSlot(D3DTRANSFORMSTATETYPE state);
D3DTRANSFORMSTATETYPE transformOfSlot(UINT slot);

struct DrawingState {
    DWORD renderStates[RenderStateSlots];
    DWORD stageStates[StageCount][StageStateSlots];
    D3DMATRIX transforms[TransformSlots];
    TextureBase* textures[StageCount]; // each holds a binding of the owner of this state
    DWORD vertexShader;
    UINT streamStride; // stream 0; only a null vertex buffer can be set
    D3DVIEWPORT8 viewport;
};

// Direct3D 8's initial values; the viewport is the whole render target. Textures are null.
void setDefaultDrawingState(DrawingState* state, UINT targetWidth, UINT targetHeight,
                            bool softwareVertexProcessing);

struct StateSelection {
    std::bitset<RenderStateSlots> renderStates;
    std::bitset<StageCount * StageStateSlots> stageStates;
    std::bitset<TransformSlots> transforms;
    std::bitset<StageCount> textures;
    bool vertexShader = false;
    bool streamSource = false;
    bool viewport = false;
};

inline float floatOfBits(DWORD bits) {
    float value;
    static_assert(sizeof(value) == sizeof(bits));
    __builtin_memcpy(&value, &bits, sizeof(value));
    return value;
}

inline DWORD bitsOfFloat(float value) {
    DWORD bits;
    __builtin_memcpy(&bits, &value, sizeof(bits));
    return bits;
}

} // namespace d3d8
