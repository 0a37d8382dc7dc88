// The render engine: the program's one object over the graphics platform. It owns the window,
// the Direct3D 8 object and device, the sprite batch and the text renderer, runs the frame cycle
// and offers the drawing services the game uses.
#pragma once

#include "cpu/vector_math.h"
#include "d3d8.h"
#include "windows.h"

class SpriteBatch;
class TextRenderer;
class Texture;

class RenderEngine {
public:
    RenderEngine() = default;
    // Releases, each when present: the text renderer, the sprite batch, the Direct3D object and
    // the device. Every texture must be released before.
    virtual ~RenderEngine();

    RenderEngine(const RenderEngine&) = delete;
    RenderEngine& operator=(const RenderEngine&) = delete;

    // ---- Device and frame cycle ----

    // Opens the window with the given procedure and creates the device; true when both exist.
    bool initialize(WNDPROC windowProc);
    // Creates the Direct3D object, the device (presenting one black frame), the sprite batch
    // and the text renderer from the system font. A failed step keeps what was created.
    bool initDevice();
    // Begins the scene, the sprite batch and the text renderer; true when the frame is open.
    // Steps taken are not undone when a later one fails.
    bool beginFrame();
    // Ends the text renderer, the sprite batch and the scene, and presents.
    bool endFrame();

    // ---- Drawing services ----

    // Loads the picture named by texture.path as a managed A8R8G8B8 texture with opaque magenta
    // keyed out, and sets texture.source to the picture's own size.
    bool loadTexture(Texture& texture);
    // Draws the source rectangle unscaled with its top-left corner at the position (null:
    // the client origin). Only inside a frame.
    bool drawSprite(IDirect3DTexture8* texture, const RECT& source, const Vector2* position);
    // True when the texel under the point (texel coordinates, truncated) has full alpha. Needs
    // only the device; false for a point outside the top level.
    bool isOpaqueAt(const Vector2& point, IDirect3DTexture8* texture);
    // Draws a zero-terminated Windows-1252 text in the client rectangle with DrawText format
    // flags and an ARGB colour. Only inside a frame.
    bool drawText(const char* text, UINT format, D3DCOLOR color);

    // ---- Window services ----

    // Registers the class "Bosquetir Window" and opens the fixed 640 x 480 topmost window.
    bool createWindow();
    // Subtracts the client rectangle's origin; `in` and `out` may be the same point.
    void toClient(const Vector2& in, Vector2& out);
    HWND getWindow() const { return window; }
    // Posts the quit message with exit code 0.
    bool requestQuit();

    // The device, for tools and tests that read presented frames; null before initDevice.
    IDirect3DDevice8* getDevice() const { return device; }

private:
    TextRenderer* textRenderer = nullptr;
    SpriteBatch* spriteBatch = nullptr;
    IDirect3DDevice8* device = nullptr;
    IDirect3D8* direct3D = nullptr;
    WNDPROC windowProc = nullptr;
    HWND window = nullptr;
};

// The program's one engine; Texture::hitTest asks it. Defined by the program (or a test).
extern RenderEngine renderEngine;
