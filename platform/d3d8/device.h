// IDirect3DDevice8 of the software device: resources in the four pools, drawing state and
// state blocks, scenes, Clear, DrawPrimitiveUP through the rasteriser, and Present to a host
// window through the window bridge or, headless, into memory that stays readable.
//
// The operations are spread over files by job: device.cpp (creation, queries, scenes),
// device_resources.cpp, copy_rects.cpp, update_texture.cpp, device_state.cpp,
// state_blocks.cpp, device_draw.cpp, present.cpp, and device_unsupported.cpp for the calls
// outside the subset, which answer E_NOTIMPL or D3DERR_INVALIDCALL and say so.
#pragma once

#include "d3d8/draw_queue.h"
#include "d3d8/drawing_state.h"
#include "d3d8/level_store.h"
#include "platform_ext.h"

#include <cstdint>
#include <memory>

namespace d3d8 {

struct BandPlay;
class Direct3D;
class DrawThreads;
class StateBlock;
class Surface;
class TextureBase;

constexpr UINT MaxStateBlocks = 4096;

class Device final : public IDirect3DDevice8 {
public:
    static HRESULT create(Direct3D* direct3D, HWND focusWindow, DWORD behaviorFlags,
                          D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** out);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // device.cpp
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT ResourceManagerDiscardBytes(DWORD Bytes) override;
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface8** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    void SetGammaRamp(DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                            IDirect3DSurface8* pNewZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;

    // device_resources.cpp
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage,
                                D3DFORMAT Format, D3DPOOL Pool,
                                IDirect3DVolumeTexture8** ppVolumeTexture) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                               IDirect3DSurface8** ppSurface) override;
    // copy_rects.cpp, update_texture.cpp
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface,
                      const POINT* pDestPointsArray) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture,
                          IDirect3DBaseTexture8* pDestinationTexture) override;

    // device_state.cpp
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                            UINT* pStride) override;
    HRESULT SetPixelShader(DWORD Handle) override;
    HRESULT GetPixelShader(DWORD* pHandle) override;

    // state_blocks.cpp
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD Token) override;
    HRESULT CaptureStateBlock(DWORD Token) override;
    HRESULT DeleteStateBlock(DWORD Token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;

    // device_draw.cpp
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;

    // present.cpp
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;

    // device_unsupported.cpp
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                IDirect3DSurface8* pCursorBitmap) override;
    void SetCursorPosition(int X, int Y, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                      IDirect3DSwapChain8** pSwapChain) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                               D3DMULTISAMPLE_TYPE MultiSample, BOOL Lockable,
                               IDirect3DSurface8** ppSurface) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample,
                                      IDirect3DSurface8** ppSurface) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetClipStatus(D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetInfo(DWORD DevInfoID, void* pDevInfoStruct, DWORD DevInfoStructSize) override;
    HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) override;
    HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override;
    HRESULT SetCurrentTexturePalette(UINT PaletteNumber) override;
    HRESULT GetCurrentTexturePalette(UINT* PaletteNumber) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                 UINT startIndex, UINT primCount) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                   UINT NumVertexIndices, UINT PrimitiveCount,
                                   const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData,
                                   UINT VertexStreamZeroStride) override;
    HRESULT ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount,
                            IDirect3DVertexBuffer8* pDestBuffer, DWORD Flags) override;
    HRESULT CreateVertexShader(const DWORD* pDeclaration, const DWORD* pFunction, DWORD* pHandle,
                               DWORD Usage) override;
    HRESULT DeleteVertexShader(DWORD Handle) override;
    HRESULT SetVertexShaderConstant(DWORD Register, const void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT GetVertexShaderDeclaration(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT GetVertexShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, DWORD* pHandle) override;
    HRESULT DeletePixelShader(DWORD Handle) override;
    HRESULT SetPixelShaderConstant(DWORD Register, const void* pConstantData,
                                   DWORD ConstantCount) override;
    HRESULT GetPixelShaderConstant(DWORD Register, void* pConstantData,
                                   DWORD ConstantCount) override;
    HRESULT GetPixelShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT DrawRectPatch(UINT Handle, const float* pNumSegs,
                          const D3DRECTPATCH_INFO* pRectPatchInfo) override;
    HRESULT DrawTriPatch(UINT Handle, const float* pNumSegs,
                         const D3DTRIPATCH_INFO* pTriPatchInfo) override;
    HRESULT DeletePatch(UINT Handle) override;

    // For the platform's extension header and the window layer.
    uint32_t profile() const { return profile_; }
    HWND window() const { return window_; }
    // The frame shown by the last Present; null before the first.
    const LevelStore* presentedFrame() const { return presented_ ? &frontBuffer_ : nullptr; }
    uint64_t presentCount() const { return presentCount_; }

    // The state setters below change the device (not a recording); state blocks use them.
    void applyRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void applyStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void applyTransform(UINT slot, const D3DMATRIX& matrix);
    void applyTexture(DWORD stage, TextureBase* texture);
    void applyVertexShader(DWORD handle);
    void applyStreamStride(UINT stride);
    void applyViewport(const D3DVIEWPORT8& viewport);
    const DrawingState& state() const { return state_; }

    // Draws inside a scene are recorded when the device has several draw threads, and played
    // here, band by band on every thread, before anything needs their pixels.
    void playRecordedDraws();
    // Once the recorded draws are worth it, hands them to the draw threads without waiting and
    // records the next ones apart: the threads' wake-up and a part of the play then pass while
    // this thread goes on with the scene (the text's rasterising, say). The launched draws are
    // finished before the next play and before anything touches what they write or sample.
    void launchRecordedDraws();
    // Before `level` is locked or copied: plays the recorded draws when they write it (the
    // render target), or when they sample it and the access `writes` it.
    void finishDrawsBefore(const LevelStore& level, bool writes);
    unsigned drawThreadCount() const { return drawThreadCount_; }

private:
    Device(Direct3D* direct3D, HWND focusWindow, DWORD behaviorFlags,
           const D3DPRESENT_PARAMETERS& parameters);
    ~Device();
    HRESULT createSwapChain();
    TextureBase* ownTexture(IDirect3DBaseTexture8* texture) const;
    Surface* ownSurface(IDirect3DSurface8* surface) const;
    StateBlock* findStateBlock(DWORD token) const;
    HRESULT checkDrawState(bool untransformedPositions) const;
    void recordDraw(const PrimitiveSetup& setup, const PixelPipeline& pipeline,
                    D3DPRIMITIVETYPE type, UINT count, const BYTE* vertices, UINT stride);
    // The draw threads, made and started on first use; false when the system gives none.
    bool readyDrawThreads();
    // Waits until the launched draws are played, taking part in what is left of them.
    void finishLaunchedDraws();
    int64_t backBufferArea() const;

    ULONG refs_ = 1;
    Direct3D* direct3D_;
    uint32_t profile_;
    D3DCAPS8 caps_;
    D3DDEVICE_CREATION_PARAMETERS creation_;
    D3DPRESENT_PARAMETERS presentation_;
    HWND window_;
    Surface* backBuffer_ = nullptr;
    LevelStore frontBuffer_;
    bool presented_ = false;
    uint64_t presentCount_ = 0;
    bool inScene_ = false;
    DrawingState state_;
    StateBlock* stateBlocks_[MaxStateBlocks] = {};
    StateBlock* recording_ = nullptr;
    D3DGAMMARAMP gammaRamp_;
    unsigned drawThreadCount_;
    DrawQueue recorded_;
    std::unique_ptr<DrawThreads> drawThreads_; // made at the first play on several threads
    uint64_t drawBatch_ = 1;                   // counts plays: levels sampled since are marked
    // Draws launched and not yet finished, their bands, and their batch (the drawBatch_ they
    // were recorded in).
    DrawQueue launched_;
    std::unique_ptr<BandPlay> launchedPlay_;
    bool launchedPending_ = false;
    bool threadsPlayedScene_ = false; // the draw threads played draws since the last BeginScene
    uint64_t launchedBatch_ = 0;
};

} // namespace d3d8
