// The resampling strategies of the chain. Until the filters are written they decline, so a
// blit that needs resizing ends with E_FAIL after the chain has tried each of them.
#include "blit/blit_strategies.h"

HRESULT pointFilter(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT boxFilter2D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT boxFilter3D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT linearFilter2D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT linearFilter3D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT triangleFilter2D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
HRESULT triangleFilter3D(SurfaceBlitter&) {
    return E_NOTIMPL;
}
