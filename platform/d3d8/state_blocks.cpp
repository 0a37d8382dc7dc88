// State blocks: recording between BeginStateBlock and EndStateBlock (the device's state does
// not change while recording), capture, apply and deletion by token.
#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "d3d8/state_block.h"
#include "d3d8/texture_base.h"

#include <cstring>
#include <new>

namespace d3d8 {

namespace {

// The entry of a recorded key, appended on its first recording.
template <typename Entry, typename Bits>
Entry& entryFor(Entry* entries, UINT* count, Bits& selected, UINT key, uint16_t Entry::*field) {
    if (selected.test(key)) {
        for (UINT i = 0; i < *count; ++i)
            if (entries[i].*field == key)
                return entries[i];
    }
    selected.set(key);
    Entry& added = entries[(*count)++];
    added.*field = uint16_t(key);
    return added;
}

} // namespace

StateBlock::~StateBlock() {
    for (DWORD stage = 0; stage < StageCount; ++stage)
        holdTexture(stage, nullptr);
}

void StateBlock::holdTexture(DWORD stage, TextureBase* texture) {
    if (texture != nullptr)
        texture->addBinding();
    if (textures_[stage] != nullptr)
        textures_[stage]->releaseBinding();
    textures_[stage] = texture;
}

void StateBlock::recordRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    entryFor(renderStates_, &renderStateCount_, selection_.renderStates, state,
             &RenderStateEntry::state)
        .value = value;
}

void StateBlock::recordStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    entryFor(stageStates_, &stageStateCount_, selection_.stageStates,
             stage * StageStateSlots + type, &StageStateEntry::index)
        .value = value;
}

void StateBlock::recordTransform(UINT slot, const D3DMATRIX& matrix) {
    entryFor(transforms_, &transformCount_, selection_.transforms, slot, &TransformEntry::slot)
        .matrix = matrix;
}

void StateBlock::recordTexture(DWORD stage, TextureBase* texture) {
    selection_.textures.set(stage);
    holdTexture(stage, texture);
}

void StateBlock::recordVertexShader(DWORD handle) {
    selection_.vertexShader = true;
    vertexShader_ = handle;
}

void StateBlock::recordStreamStride(UINT stride) {
    selection_.streamSource = true;
    streamStride_ = stride;
}

void StateBlock::recordViewport(const D3DVIEWPORT8& viewport) {
    selection_.viewport = true;
    viewport_ = viewport;
}

void StateBlock::capture(const Device& device) {
    const DrawingState& current = device.state();
    for (UINT i = 0; i < renderStateCount_; ++i)
        renderStates_[i].value = current.renderStates[renderStates_[i].state];
    for (UINT i = 0; i < stageStateCount_; ++i) {
        const UINT index = stageStates_[i].index;
        stageStates_[i].value =
            current.stageStates[index / StageStateSlots][index % StageStateSlots];
    }
    for (UINT i = 0; i < transformCount_; ++i)
        transforms_[i].matrix = current.transforms[transforms_[i].slot];
    if (selection_.textures.any())
        for (DWORD stage = 0; stage < StageCount; ++stage)
            if (selection_.textures.test(stage))
                holdTexture(stage, current.textures[stage]);
    if (selection_.vertexShader)
        vertexShader_ = current.vertexShader;
    if (selection_.streamSource)
        streamStride_ = current.streamStride;
    if (selection_.viewport)
        viewport_ = current.viewport;
}

void StateBlock::apply(Device& device) const {
    for (UINT i = 0; i < renderStateCount_; ++i)
        device.applyRenderState(D3DRENDERSTATETYPE(renderStates_[i].state), renderStates_[i].value);
    for (UINT i = 0; i < stageStateCount_; ++i) {
        const UINT index = stageStates_[i].index;
        device.applyStageState(index / StageStateSlots,
                               D3DTEXTURESTAGESTATETYPE(index % StageStateSlots),
                               stageStates_[i].value);
    }
    for (UINT i = 0; i < transformCount_; ++i)
        device.applyTransform(transforms_[i].slot, transforms_[i].matrix);
    if (selection_.textures.any())
        for (DWORD stage = 0; stage < StageCount; ++stage)
            if (selection_.textures.test(stage))
                device.applyTexture(stage, textures_[stage]);
    if (selection_.vertexShader)
        device.applyVertexShader(vertexShader_);
    if (selection_.streamSource)
        device.applyStreamStride(streamStride_);
    if (selection_.viewport)
        device.applyViewport(viewport_);
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
