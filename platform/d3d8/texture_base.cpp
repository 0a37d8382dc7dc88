// Texture lifetime and the managed-pool settings shared by all texture types.
#include "d3d8/texture_base.h"

#include "d3d8/device.h"

namespace d3d8 {

DeviceChild::DeviceChild(Device* device) : device_(device) {
    device_->AddRef();
}

ULONG DeviceChild::addPublicRef() {
    if (publicRefs_++ == 0)
        device_->AddRef();
    return publicRefs_;
}

ULONG DeviceChild::releasePublicRef() {
    if (publicRefs_ == 0)
        return 0;
    const ULONG left = --publicRefs_;
    if (left == 0) {
        Device* device = device_;
        if (bindings_ == 0)
            delete this;
        // May destroy the device, which drops its bindings and with them a bound texture.
        device->Release();
    }
    return left;
}

void DeviceChild::releaseBinding() {
    if (--bindings_ == 0 && publicRefs_ == 0)
        delete this;
}

HRESULT DeviceChild::getDevice(IDirect3DDevice8** out) const {
    if (out == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDevice without an output");
    device_->AddRef();
    *out = device_;
    return D3D_OK;
}

DWORD TextureBase::setPriority(DWORD priority) {
    if (pool_ != D3DPOOL_MANAGED)
        return 0;
    const DWORD previous = priority_;
    priority_ = priority;
    return previous;
}

DWORD TextureBase::setLod(DWORD lod) {
    if (pool_ != D3DPOOL_MANAGED)
        return 0;
    const DWORD previous = lod_;
    lod_ = lod < levels_ ? lod : levels_ - 1;
    return previous;
}

} // namespace d3d8
