// Render states, texture stage states, transforms, viewport, stage textures, the vertex
// format and stream 0: checked, then recorded into the state block being recorded or applied
// to the device.
#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "d3d8/state_block.h"
#include "d3d8/surface.h"
#include "d3d8/texture_base.h"

namespace d3d8 {

namespace {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}

} // namespace

void Device::applyRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    state_.renderStates[state] = value;
}

void Device::applyStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    state_.stageStates[stage][type] = value;
}

void Device::applyTransform(UINT slot, const D3DMATRIX& matrix) {
    state_.transforms[slot] = matrix;
}

void Device::applyTexture(DWORD stage, TextureBase* texture) {
    if (texture != nullptr)
        texture->addBinding();
    if (state_.textures[stage] != nullptr)
        state_.textures[stage]->releaseBinding();
    state_.textures[stage] = texture;
}

void Device::applyVertexShader(DWORD handle) {
    state_.vertexShader = handle;
}

void Device::applyStreamStride(UINT stride) {
    state_.streamStride = stride;
}

void Device::applyViewport(const D3DVIEWPORT8& viewport) {
    state_.viewport = viewport;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    if (!isRenderState(State))
        return refuse(D3DERR_INVALIDCALL, "render state %u does not exist", unsigned(State));
    if (recording_ != nullptr)
        recording_->recordRenderState(State, Value);
    else
        applyRenderState(State, Value);
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (pValue == nullptr || !isRenderState(State))
        return refuse(D3DERR_INVALIDCALL, "GetRenderState of state %u", unsigned(State));
    *pValue = state_.renderStates[State];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    if (Stage >= StageCount || !isStageState(Type))
        return refuse(D3DERR_INVALIDCALL, "texture stage state %u of stage %u does not exist",
                      unsigned(Type), Stage);
    if (recording_ != nullptr)
        recording_->recordStageState(Stage, Type, Value);
    else
        applyStageState(Stage, Type, Value);
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    if (pValue == nullptr || Stage >= StageCount || !isStageState(Type))
        return refuse(D3DERR_INVALIDCALL, "GetTextureStageState of state %u of stage %u",
                      unsigned(Type), Stage);
    *pValue = state_.stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    const int slot = transformSlot(State);
    if (pMatrix == nullptr || slot < 0)
        return refuse(D3DERR_INVALIDCALL, "SetTransform of state %u", unsigned(State));
    if (recording_ != nullptr)
        recording_->recordTransform(UINT(slot), *pMatrix);
    else
        applyTransform(UINT(slot), *pMatrix);
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    const int slot = transformSlot(State);
    if (pMatrix == nullptr || slot < 0)
        return refuse(D3DERR_INVALIDCALL, "GetTransform of state %u", unsigned(State));
    *pMatrix = state_.transforms[slot];
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    const int slot = transformSlot(State);
    if (pMatrix == nullptr || slot < 0)
        return refuse(D3DERR_INVALIDCALL, "MultiplyTransform of state %u", unsigned(State));
    const D3DMATRIX product = multiply(*pMatrix, state_.transforms[slot]);
    return SetTransform(State, &product);
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr)
        return refuse(D3DERR_INVALIDCALL, "SetViewport without a viewport");
    const D3DVIEWPORT8& v = *pViewport;
    const LevelStore& target = backBuffer_->store();
    if (v.Width == 0 || v.Height == 0 || uint64_t(v.X) + v.Width > target.width() ||
        uint64_t(v.Y) + v.Height > target.height())
        return refuse(D3DERR_INVALIDCALL, "viewport (%u,%u) %ux%u is outside the %ux%u target", v.X,
                      v.Y, v.Width, v.Height, target.width(), target.height());
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
        return refuse(D3DERR_INVALIDCALL, "viewport depth range outside [0, 1]");
    if (recording_ != nullptr)
        recording_->recordViewport(v);
    else
        applyViewport(v);
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetViewport without an output");
    *pViewport = state_.viewport;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    if (Stage >= StageCount)
        return refuse(D3DERR_INVALIDCALL, "texture stage %u does not exist", Stage);
    TextureBase* texture = nullptr;
    if (pTexture != nullptr) {
        texture = ownTexture(pTexture);
        if (texture == nullptr)
            return refuse(D3DERR_INVALIDCALL, "SetTexture with a texture of another device");
        if (texture->pool() != D3DPOOL_DEFAULT && texture->pool() != D3DPOOL_MANAGED)
            return refuse(D3DERR_INVALIDCALL,
                          "a texture in the system-memory or scratch pool cannot be drawn");
    }
    if (recording_ != nullptr)
        recording_->recordTexture(Stage, texture);
    else
        applyTexture(Stage, texture);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (ppTexture == nullptr || Stage >= StageCount)
        return refuse(D3DERR_INVALIDCALL, "GetTexture of stage %u", Stage);
    TextureBase* texture = state_.textures[Stage];
    *ppTexture = texture != nullptr ? texture->asBaseTexture() : nullptr;
    if (*ppTexture != nullptr)
        (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD Handle) {
    if (Handle & D3DFVF_RESERVED0)
        return refuse(D3DERR_INVALIDCALL,
                      "vertex shaders are not supported; set a flexible vertex format");
    if (recording_ != nullptr)
        recording_->recordVertexShader(Handle);
    else
        applyVertexShader(Handle);
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* pHandle) {
    if (pHandle == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetVertexShader without an output");
    *pHandle = state_.vertexShader;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                UINT Stride) {
    if (StreamNumber != 0)
        return refuse(D3DERR_INVALIDCALL, "stream %u does not exist; there is one", StreamNumber);
    if (pStreamData != nullptr)
        return refuse(D3DERR_INVALIDCALL, "the device has no vertex buffers");
    if (recording_ != nullptr)
        recording_->recordStreamStride(Stride);
    else
        applyStreamStride(Stride);
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                UINT* pStride) {
    if (StreamNumber != 0 || ppStreamData == nullptr || pStride == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetStreamSource of stream %u", StreamNumber);
    *ppStreamData = nullptr;
    *pStride = state_.streamStride;
    return D3D_OK;
}

HRESULT Device::SetPixelShader(DWORD Handle) {
    if (Handle != 0)
        return refuse(D3DERR_INVALIDCALL, "pixel shaders are not supported");
    return D3D_OK;
}

HRESULT Device::GetPixelShader(DWORD* pHandle) {
    if (pHandle == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetPixelShader without an output");
    *pHandle = 0;
    return D3D_OK;
}

} // namespace d3d8
