// A recorded state block: the selection of states set while it was recorded and their
// values. Capture copies the device's current values of exactly those states; Apply sets them.
#pragma once

#include "d3d8/drawing_state.h"

namespace d3d8 {

class Device;

class StateBlock {
public:
    StateBlock() = default;
    ~StateBlock(); // gives up the bindings of the textures it holds

    StateBlock(const StateBlock&) = delete;
    StateBlock& operator=(const StateBlock&) = delete;

    void recordRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void recordStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void recordTransform(UINT slot, const D3DMATRIX& matrix);
    void recordTexture(DWORD stage, TextureBase* texture);
    void recordVertexShader(DWORD handle);
    void recordStreamStride(UINT stride);
    void recordViewport(const D3DVIEWPORT8& viewport);

    void capture(const Device& device);
    void apply(Device& device) const;

private:
    struct RenderStateEntry {
        uint16_t state;
        DWORD value;
    };
    struct StageStateEntry {
        uint16_t index; // stage * StageStateSlots + type
        DWORD value;
    };
    struct TransformEntry {
        uint16_t slot;
        D3DMATRIX matrix;
    };

    void holdTexture(DWORD stage, TextureBase* texture);

    // The selected states with their values, packed in the order they were first recorded, so
    // that capture and apply read a few consecutive cache lines instead of a whole state.
    StateSelection selection_;
    RenderStateEntry renderStates_[RenderStateSlots];
    StageStateEntry stageStates_[StageCount * StageStateSlots];
    TransformEntry transforms_[TransformSlots];
    UINT renderStateCount_ = 0;
    UINT stageStateCount_ = 0;
    UINT transformCount_ = 0;
    TextureBase* textures_[StageCount] = {}; // each holds a binding
    DWORD vertexShader_ = 0;
    UINT streamStride_ = 0;
    D3DVIEWPORT8 viewport_ = {};
};

} // namespace d3d8
