// The Texture record: one picture of the game, with its file path, its device texture and the
// picture's region inside that texture.
#pragma once

#include "cpu/vector_math.h"
#include "d3d8.h"

class RenderEngine;

class Texture {
public:
    // Room for a directory of 255 characters, "\buisson.png" and the terminating zero.
    static constexpr int PathCapacity = 268;

    Texture() = default;
    // Releases the device texture when there is one.
    virtual ~Texture();

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Draws the picture at its own size with its top-left corner at the position (null: the
    // client origin). Only inside a frame.
    bool draw(const Vector2* position, RenderEngine& engine);
    // True when the point, relative to the picture's top-left corner, lies inside the picture
    // (edges included) on a fully opaque texel.
    bool hitTest(const Vector2& point);

    // Written by the owning layer before loading.
    char path[PathCapacity] = {};
    // Null until loaded; one reference held.
    IDirect3DTexture8* texture = nullptr;
    // (0, 0, picture width, picture height) once loaded.
    RECT source = {};
};
