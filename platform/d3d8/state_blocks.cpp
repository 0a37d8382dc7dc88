// State blocks: recording between BeginStateBlock and EndStateBlock (the device's state does
// not change while recording), capture, apply and deletion by token.
#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "d3d8/state_block.h"
#include "d3d8/texture_base.h"

#include <cstring>
#include <new>

namespace d3d8 {

StateBlock::StateBlock() {
    std::memset(&values_, 0, sizeof(values_));
}

StateBlock::~StateBlock() {
    for (DWORD stage = 0; stage < StageCount; ++stage)
        holdTexture(stage, nullptr);
}

void StateBlock::holdTexture(DWORD stage, TextureBase* texture) {
    if (texture != nullptr)
        texture->addBinding();
    if (values_.textures[stage] != nullptr)
        values_.textures[stage]->releaseBinding();
    values_.textures[stage] = texture;
}

void StateBlock::recordRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!selection_.renderStates.test(state))
        renderStateList_[renderStateCount_++] = uint16_t(state);
    selection_.renderStates.set(state);
    values_.renderStates[state] = value;
}

void StateBlock::recordStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    const UINT index = stage * StageStateSlots + type;
    if (!selection_.stageStates.test(index))
        stageStateList_[stageStateCount_++] = uint16_t(index);
    selection_.stageStates.set(index);
    values_.stageStates[stage][type] = value;
}

void StateBlock::recordTransform(UINT slot, const D3DMATRIX& matrix) {
    if (!selection_.transforms.test(slot))
        transformList_[transformCount_++] = uint16_t(slot);
    selection_.transforms.set(slot);
    values_.transforms[slot] = matrix;
}

void StateBlock::recordTexture(DWORD stage, TextureBase* texture) {
    selection_.textures.set(stage);
    holdTexture(stage, texture);
}

void StateBlock::recordVertexShader(DWORD handle) {
    selection_.vertexShader = true;
    values_.vertexShader = handle;
}

void StateBlock::recordStreamStride(UINT stride) {
    selection_.streamSource = true;
    values_.streamStride = stride;
}

void StateBlock::recordViewport(const D3DVIEWPORT8& viewport) {
    selection_.viewport = true;
    values_.viewport = viewport;
}

void StateBlock::capture(const Device& device) {
    const DrawingState& current = device.state();
    for (UINT i = 0; i < renderStateCount_; ++i)
        values_.renderStates[renderStateList_[i]] = current.renderStates[renderStateList_[i]];
    for (UINT i = 0; i < stageStateCount_; ++i) {
        const UINT stage = stageStateList_[i] / StageStateSlots;
        const UINT type = stageStateList_[i] % StageStateSlots;
        values_.stageStates[stage][type] = current.stageStates[stage][type];
    }
    for (UINT i = 0; i < transformCount_; ++i)
        values_.transforms[transformList_[i]] = current.transforms[transformList_[i]];
    for (DWORD stage = 0; stage < StageCount; ++stage)
        if (selection_.textures.test(stage))
            holdTexture(stage, current.textures[stage]);
    if (selection_.vertexShader)
        values_.vertexShader = current.vertexShader;
    if (selection_.streamSource)
        values_.streamStride = current.streamStride;
    if (selection_.viewport)
        values_.viewport = current.viewport;
}

void StateBlock::apply(Device& device) const {
    for (UINT i = 0; i < renderStateCount_; ++i) {
        const UINT state = renderStateList_[i];
        device.applyRenderState(D3DRENDERSTATETYPE(state), values_.renderStates[state]);
    }
    for (UINT i = 0; i < stageStateCount_; ++i) {
        const UINT stage = stageStateList_[i] / StageStateSlots;
        const UINT type = stageStateList_[i] % StageStateSlots;
        device.applyStageState(stage, D3DTEXTURESTAGESTATETYPE(type),
                               values_.stageStates[stage][type]);
    }
    for (UINT i = 0; i < transformCount_; ++i)
        device.applyTransform(transformList_[i], values_.transforms[transformList_[i]]);
    for (DWORD stage = 0; stage < StageCount; ++stage)
        if (selection_.textures.test(stage))
            device.applyTexture(stage, values_.textures[stage]);
    if (selection_.vertexShader)
        device.applyVertexShader(values_.vertexShader);
    if (selection_.streamSource)
        device.applyStreamStride(values_.streamStride);
    if (selection_.viewport)
        device.applyViewport(values_.viewport);
}

StateBlock* Device::findStateBlock(DWORD token) const {
    if (token == 0 || token > MaxStateBlocks)
        return nullptr;
    return stateBlocks_[token - 1];
}

HRESULT Device::BeginStateBlock() {
    if (recording_ != nullptr)
        return refuse(D3DERR_INVALIDCALL, "BeginStateBlock while recording");
    recording_ = new (std::nothrow) StateBlock();
    if (recording_ == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a state block");
    return D3D_OK;
}

HRESULT Device::EndStateBlock(DWORD* pToken) {
    if (recording_ == nullptr)
        return refuse(D3DERR_INVALIDCALL, "EndStateBlock without BeginStateBlock");
    if (pToken == nullptr)
        return refuse(D3DERR_INVALIDCALL, "EndStateBlock without an output");
    for (UINT slot = 0; slot < MaxStateBlocks; ++slot)
        if (stateBlocks_[slot] == nullptr) {
            stateBlocks_[slot] = recording_;
            recording_ = nullptr;
            *pToken = slot + 1;
            return D3D_OK;
        }
    return refuse(E_OUTOFMEMORY, "%u state blocks exist already", MaxStateBlocks);
}

HRESULT Device::ApplyStateBlock(DWORD Token) {
    if (recording_ != nullptr)
        return refuse(D3DERR_INVALIDCALL, "ApplyStateBlock while recording");
    StateBlock* block = findStateBlock(Token);
    if (block == nullptr)
        return refuse(D3DERR_INVALIDCALL, "state block %u does not exist", Token);
    block->apply(*this);
    return D3D_OK;
}

HRESULT Device::CaptureStateBlock(DWORD Token) {
    if (recording_ != nullptr)
        return refuse(D3DERR_INVALIDCALL, "CaptureStateBlock while recording");
    StateBlock* block = findStateBlock(Token);
    if (block == nullptr)
        return refuse(D3DERR_INVALIDCALL, "state block %u does not exist", Token);
    block->capture(*this);
    return D3D_OK;
}

HRESULT Device::DeleteStateBlock(DWORD Token) {
    StateBlock* block = findStateBlock(Token);
    if (block == nullptr)
        return refuse(D3DERR_INVALIDCALL, "state block %u does not exist", Token);
    stateBlocks_[Token - 1] = nullptr;
    delete block;
    return D3D_OK;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD*) {
    return refuse(E_NOTIMPL, "CreateStateBlock is not supported; record a state block");
}

} // namespace d3d8
