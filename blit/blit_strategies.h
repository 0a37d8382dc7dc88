// The strategies of the blit engine, in the order the engine tries them. Each either does
// the whole job and returns D3D_OK or declines with a failure code (not its job, or no
// memory), and the engine then tries the next one.
#pragma once

#include "blit/surface_blitter.h"

using BlitStrategy = HRESULT (*)(SurfaceBlitter& blitter);

// Same format and size, no key: bytes are copied as they are.
HRESULT rawCopy(SurfaceBlitter& blitter);
// Same size: each row decoded, keyed and encoded.
HRESULT convertingCopy(SurfaceBlitter& blitter);
// FilterNone: the source lands unscaled at the top-left, the rest becomes transparent black.
HRESULT noFilterCopy(SurfaceBlitter& blitter);

// The resampling filters.
HRESULT pointFilter(SurfaceBlitter& blitter);
HRESULT boxFilter2D(SurfaceBlitter& blitter);
HRESULT boxFilter3D(SurfaceBlitter& blitter);
HRESULT linearFilter2D(SurfaceBlitter& blitter);
HRESULT linearFilter3D(SurfaceBlitter& blitter);
HRESULT triangleFilter2D(SurfaceBlitter& blitter);
HRESULT triangleFilter3D(SurfaceBlitter& blitter);
