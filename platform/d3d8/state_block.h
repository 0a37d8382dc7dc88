// A recorded state block: the selection of states set while it was recorded and their
// values. Capture copies the device's current values of exactly those states; Apply sets them.
#pragma once

#include "d3d8/drawing_state.h"

namespace d3d8 {

class Device;

class StateBlock {
public:
    StateBlock();
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
    void holdTexture(DWORD stage, TextureBase* texture);

    StateSelection selection_;
    DrawingState values_;
    // The selected render states, stage states (stage * StageStateSlots + type) and transform
    // slots in the order they were first recorded, so that capture and apply visit only them.
    uint16_t renderStateList_[RenderStateSlots];
    uint16_t stageStateList_[StageCount * StageStateSlots];
    uint16_t transformList_[TransformSlots];
    UINT renderStateCount_ = 0;
    UINT stageStateCount_ = 0;
    UINT transformCount_ = 0;
};

} // namespace d3d8
