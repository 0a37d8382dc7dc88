// The device calls outside the software device's subset. Each fails visibly with E_NOTIMPL
// (or the platform's failure value) and explains itself when D3D8_DEBUG is set.
#include "d3d8/device.h"
#include "d3d8/refusal.h"

namespace d3d8 {

namespace {

HRESULT notSupported(const char* what) {
    return refuse(E_NOTIMPL, "%s is not supported by the software device", what);
}

} // namespace

HRESULT Device::SetCursorProperties(UINT, UINT, IDirect3DSurface8*) {
    return notSupported("SetCursorProperties");
}

void Device::SetCursorPosition(int, int, DWORD) {}

BOOL Device::ShowCursor(BOOL) {
    return FALSE;
}

HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain8**) {
    return notSupported("CreateAdditionalSwapChain");
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS*) {
    return notSupported("Reset");
}

HRESULT Device::CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**) {
    return notSupported("CreateVertexBuffer");
}

HRESULT Device::CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) {
    return notSupported("CreateIndexBuffer");
}

HRESULT Device::CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL,
                                   IDirect3DSurface8**) {
    return notSupported("CreateRenderTarget");
}

HRESULT Device::CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                          IDirect3DSurface8**) {
    return notSupported("CreateDepthStencilSurface");
}

HRESULT Device::GetFrontBuffer(IDirect3DSurface8*) {
    return notSupported("GetFrontBuffer");
}

HRESULT Device::SetMaterial(const D3DMATERIAL8*) {
    return notSupported("SetMaterial");
}

HRESULT Device::GetMaterial(D3DMATERIAL8*) {
    return notSupported("GetMaterial");
}

HRESULT Device::SetLight(DWORD, const D3DLIGHT8*) {
    return notSupported("SetLight");
}

HRESULT Device::GetLight(DWORD, D3DLIGHT8*) {
    return notSupported("GetLight");
}

HRESULT Device::LightEnable(DWORD, BOOL) {
    return notSupported("LightEnable");
}

HRESULT Device::GetLightEnable(DWORD, BOOL*) {
    return notSupported("GetLightEnable");
}

HRESULT Device::SetClipPlane(DWORD, const float*) {
    return notSupported("SetClipPlane");
}

HRESULT Device::GetClipPlane(DWORD, float*) {
    return notSupported("GetClipPlane");
}

HRESULT Device::SetClipStatus(const D3DCLIPSTATUS8*) {
    return notSupported("SetClipStatus");
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS8*) {
    return notSupported("GetClipStatus");
}

HRESULT Device::GetInfo(DWORD, void*, DWORD) {
    return notSupported("GetInfo");
}

HRESULT Device::SetPaletteEntries(UINT, const PALETTEENTRY*) {
    return notSupported("SetPaletteEntries");
}

HRESULT Device::GetPaletteEntries(UINT, PALETTEENTRY*) {
    return notSupported("GetPaletteEntries");
}

HRESULT Device::SetCurrentTexturePalette(UINT) {
    return notSupported("SetCurrentTexturePalette");
}

HRESULT Device::GetCurrentTexturePalette(UINT*) {
    return notSupported("GetCurrentTexturePalette");
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) {
    return notSupported("DrawPrimitive (there are no vertex buffers)");
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) {
    return notSupported("DrawIndexedPrimitive (there are no vertex buffers)");
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT,
                                       const void*, UINT) {
    return notSupported("DrawIndexedPrimitiveUP");
}

HRESULT Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer8*, DWORD) {
    return notSupported("ProcessVertices");
}

HRESULT Device::CreateVertexShader(const DWORD*, const DWORD*, DWORD*, DWORD) {
    return notSupported("CreateVertexShader");
}

HRESULT Device::DeleteVertexShader(DWORD) {
    return notSupported("DeleteVertexShader");
}

HRESULT Device::SetVertexShaderConstant(DWORD, const void*, DWORD) {
    return notSupported("SetVertexShaderConstant");
}

HRESULT Device::GetVertexShaderConstant(DWORD, void*, DWORD) {
    return notSupported("GetVertexShaderConstant");
}

HRESULT Device::GetVertexShaderDeclaration(DWORD, void*, DWORD*) {
    return notSupported("GetVertexShaderDeclaration");
}

HRESULT Device::GetVertexShaderFunction(DWORD, void*, DWORD*) {
    return notSupported("GetVertexShaderFunction");
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8*, UINT) {
    return notSupported("SetIndices");
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8**, UINT*) {
    return notSupported("GetIndices");
}

HRESULT Device::CreatePixelShader(const DWORD*, DWORD*) {
    return notSupported("CreatePixelShader");
}

HRESULT Device::DeletePixelShader(DWORD) {
    return notSupported("DeletePixelShader");
}

HRESULT Device::SetPixelShaderConstant(DWORD, const void*, DWORD) {
    return notSupported("SetPixelShaderConstant");
}

HRESULT Device::GetPixelShaderConstant(DWORD, void*, DWORD) {
    return notSupported("GetPixelShaderConstant");
}

HRESULT Device::GetPixelShaderFunction(DWORD, void*, DWORD*) {
    return notSupported("GetPixelShaderFunction");
}

HRESULT Device::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) {
    return notSupported("DrawRectPatch");
}

HRESULT Device::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) {
    return notSupported("DrawTriPatch");
}

HRESULT Device::DeletePatch(UINT) {
    return notSupported("DeletePatch");
}

} // namespace d3d8
