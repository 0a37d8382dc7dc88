// The Direct3D object: adapter queries, format checks per profile and device creation.
#include "d3d8/direct3d.h"

#include "d3d8/device.h"
#include "d3d8/device_caps.h"
#include "d3d8/profiles.h"
#include "d3d8/refusal.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

IDirect3D8* Direct3DCreate8(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) {
        platform_internal::explainRefusal("Direct3DCreate8 wants version %u, not %u",
                                          unsigned(D3D_SDK_VERSION), SDKVersion);
        return nullptr;
    }
    uint32_t profile = 0;
    std::string unknown;
    if (!d3d8::chooseDeviceProfile(&profile, &unknown)) {
        std::fprintf(stderr, "d3d8: unknown device profile \"%s\" in D3D8_PROFILE\n",
                     unknown.c_str());
        return nullptr;
    }
    return d3d8::Direct3D::create(profile);
}

namespace d3d8 {

Direct3D* Direct3D::create(uint32_t profile) {
    return new (std::nothrow) Direct3D(profile);
}

HRESULT Direct3D::QueryInterface(REFIID riid, void** ppvObj) {
    if (ppvObj == nullptr)
        return refuse(E_POINTER, "QueryInterface without an output");
    if (riid == IID_IUnknown || riid == IID_IDirect3D8) {
        *ppvObj = static_cast<IDirect3D8*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3D::AddRef() {
    return ++refs_;
}

ULONG Direct3D::Release() {
    if (refs_ == 0)
        return 0;
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Direct3D::RegisterSoftwareDevice(void*) {
    return refuse(E_NOTIMPL, "RegisterSoftwareDevice is not supported");
}

UINT Direct3D::GetAdapterCount() {
    return 1;
}

HRESULT Direct3D::checkAdapter(UINT adapter, D3DDEVTYPE type) const {
    if (adapter != D3DADAPTER_DEFAULT)
        return refuse(D3DERR_INVALIDCALL, "adapter %u does not exist; there is one", adapter);
    if (type == D3DDEVTYPE_REF || type == D3DDEVTYPE_SW)
        return refuse(D3DERR_NOTAVAILABLE, "only the D3DDEVTYPE_HAL device exists");
    if (type != D3DDEVTYPE_HAL)
        return refuse(D3DERR_INVALIDCALL, "device type %u is not a device type", unsigned(type));
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER8* pIdentifier) {
    if (Adapter != D3DADAPTER_DEFAULT || pIdentifier == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetAdapterIdentifier of adapter %u", Adapter);
    std::memset(pIdentifier, 0, sizeof(*pIdentifier));
    std::strcpy(pIdentifier->Driver, "bosquetir_d3d8");
    std::strcpy(pIdentifier->Description, "Bosquetir software Direct3D 8 device");
    pIdentifier->DriverVersion.QuadPart = 0x0008000100000000LL;
    return D3D_OK;
}

D3DDISPLAYMODE Direct3D::displayMode() const {
    return {DesktopWidth, DesktopHeight, DesktopRefreshRate, desktopFormat(profile_)};
}

UINT Direct3D::GetAdapterModeCount(UINT Adapter) {
    return Adapter == D3DADAPTER_DEFAULT ? 1 : 0;
}

HRESULT Direct3D::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (Adapter != D3DADAPTER_DEFAULT || Mode != 0 || pMode == nullptr)
        return refuse(D3DERR_INVALIDCALL, "display mode %u of adapter %u does not exist", Mode,
                      Adapter);
    *pMode = displayMode();
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (Adapter != D3DADAPTER_DEFAULT || pMode == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetAdapterDisplayMode of adapter %u", Adapter);
    *pMode = displayMode();
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                  D3DFORMAT BackBufferFormat, BOOL Windowed) {
    const HRESULT hr = checkAdapter(Adapter, CheckType);
    if (FAILED(hr))
        return hr;
    if (!Windowed)
        return refuse(D3DERR_NOTAVAILABLE, "the device runs windowed only");
    if (DisplayFormat != desktopFormat(profile_) || BackBufferFormat != DisplayFormat)
        return refuse(D3DERR_NOTAVAILABLE, "a windowed back buffer takes the desktop's format %u",
                      unsigned(desktopFormat(profile_)));
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                    DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    const HRESULT hr = checkAdapter(Adapter, DeviceType);
    if (FAILED(hr))
        return hr;
    if (AdapterFormat != D3DFMT_X8R8G8B8 && AdapterFormat != D3DFMT_R5G6B5)
        return refuse(D3DERR_NOTAVAILABLE, "adapter format %u is not a display format",
                      unsigned(AdapterFormat));
    const HRESULT answer = checkResourceFormat(profile_, Usage, RType, CheckFormat);
    if (FAILED(answer))
        return refuse(answer, "format %u is not offered for usage 0x%x and resource type %u",
                      unsigned(CheckFormat), Usage, unsigned(RType));
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT, BOOL,
                                             D3DMULTISAMPLE_TYPE MultiSampleType) {
    const HRESULT hr = checkAdapter(Adapter, DeviceType);
    if (FAILED(hr))
        return hr;
    if (MultiSampleType != D3DMULTISAMPLE_NONE)
        return refuse(D3DERR_NOTAVAILABLE, "no multisampling");
    return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT, D3DFORMAT,
                                         D3DFORMAT) {
    const HRESULT hr = checkAdapter(Adapter, DeviceType);
    if (FAILED(hr))
        return hr;
    return refuse(D3DERR_NOTAVAILABLE, "the device has no depth buffers");
}

HRESULT Direct3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
    const HRESULT hr = checkAdapter(Adapter, DeviceType);
    if (FAILED(hr))
        return hr;
    if (pCaps == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDeviceCaps without an output");
    fillDeviceCaps(profile_, pCaps);
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT) {
    return nullptr;
}

HRESULT Direct3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                               DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                               IDirect3DDevice8** ppReturnedDeviceInterface) {
    const HRESULT hr = checkAdapter(Adapter, DeviceType);
    if (FAILED(hr))
        return hr;
    return Device::create(this, hFocusWindow, BehaviorFlags, pPresentationParameters,
                          ppReturnedDeviceInterface);
}

} // namespace d3d8
