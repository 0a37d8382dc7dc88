// The device that tests, tools and benchmarks draw on: windowed, without a window.
#include "platform_ext.h"

namespace platform_ext {

HRESULT createHeadlessDevice(UINT width, UINT height, IDirect3DDevice8** device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (direct3D == nullptr)
        return D3DERR_NOTAVAILABLE;
    D3DDISPLAYMODE mode = {};
    HRESULT hr = direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    if (SUCCEEDED(hr)) {
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = width;
        parameters.BackBufferHeight = height;
        parameters.BackBufferFormat = mode.Format;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        hr = direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, device);
    }
    // The device keeps a reference of its own to the Direct3D object.
    direct3D->Release();
    return hr;
}

} // namespace platform_ext
