// IDirect3D8 of the software device: one adapter, the desktop's display mode, format checks
// and capabilities under the object's capability profile, and device creation.
//
// Implements: GetAdapterCount, GetAdapterIdentifier, GetAdapterModeCount, EnumAdapterModes,
// GetAdapterDisplayMode, CheckDeviceType, CheckDeviceFormat, CheckDeviceMultiSampleType,
// CheckDepthStencilMatch (no depth buffers), GetDeviceCaps, GetAdapterMonitor, CreateDevice.
// Does not implement: RegisterSoftwareDevice (E_NOTIMPL).
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace d3d8 {

class Direct3D final : public IDirect3D8 {
public:
    static Direct3D* create(uint32_t profile);

    uint32_t profile() const { return profile_; }

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT RegisterSoftwareDevice(void* pInitializeFunction) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                 D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                            D3DFORMAT BackBufferFormat, BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                              DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                       BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat,
                                   D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                         DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

    // The display mode of the one adapter.
    D3DDISPLAYMODE displayMode() const;

private:
    explicit Direct3D(uint32_t profile) : profile_(profile) {}
    ~Direct3D() = default;
    HRESULT checkAdapter(UINT adapter, D3DDEVTYPE type) const;

    ULONG refs_ = 1;
    uint32_t profile_;
};

} // namespace d3d8
