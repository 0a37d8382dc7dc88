// The sprite batch's draws: the arguments of draw turned into one matrix, the checks of the
// source rectangle, the alpha switch per draw and the four vertices of the quad.
#include "sprite/sprite_batch_object.h"

#include "sprite/sprite_vertex.h"

#include <cmath>

namespace {

// Formats whose texels can be less than opaque, so that even an opaque colour needs blending.
bool formatHasAlpha(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8P8:
    case D3DFMT_P8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

bool sourceRectAccepted(const RECT& r, const D3DSURFACE_DESC& level) {
    // The right and bottom edges may lie beyond the texture: clamping gives the edge texels.
    return r.left >= 0 && r.left <= r.right && UINT(r.left) <= level.Width && r.top >= 0 &&
           r.top <= r.bottom && UINT(r.top) <= level.Height;
}

// The quad's corners in pixels before the transform, with their texture coordinates, in fan
// order: top-left, bottom-left, bottom-right, top-right.
struct QuadCorner {
    float x, y, u, v;
};

void quadCorners(const RECT& source, const D3DSURFACE_DESC& level, QuadCorner corners[4]) {
    const float w = float(source.right - source.left);
    const float h = float(source.bottom - source.top);
    const float invWidth = 1.0f / float(level.Width);
    const float invHeight = 1.0f / float(level.Height);
    const float uLeft = float(source.left) * invWidth;
    const float uRight = float(source.right) * invWidth;
    const float vTop = float(source.top) * invHeight;
    const float vBottom = float(source.bottom) * invHeight;
    corners[0] = {0.0f, 0.0f, uLeft, vTop};
    corners[1] = {0.0f, h, uLeft, vBottom};
    corners[2] = {w, h, uRight, vBottom};
    corners[3] = {w, 0.0f, uRight, vTop};
}

} // namespace

HRESULT SpriteBatchObject::draw(IDirect3DTexture8* texture, const RECT* sourceRect,
                                const Vector2* scaling, const Vector2* rotationCentre,
                                float rotation, const Vector2* translation, D3DCOLOR color) {
    Vector3 scaling3 = {}, centre3 = {}, translation3 = {};
    Quaternion turn = {};
    if (scaling != nullptr)
        scaling3 = {scaling->x, scaling->y, 1.0f};
    if (rotationCentre != nullptr)
        centre3 = {rotationCentre->x, rotationCentre->y, 0.0f};
    if (rotation != 0.0f)
        turn = {0.0f, 0.0f, std::sin(-rotation / 2.0f), std::cos(-rotation / 2.0f)};
    if (translation != nullptr)
        translation3 = {translation->x, translation->y, 0.0f};
    D3DMATRIX m;
    matrixTransformation(&m, nullptr, nullptr, scaling != nullptr ? &scaling3 : nullptr,
                         rotationCentre != nullptr ? &centre3 : nullptr,
                         rotation != 0.0f ? &turn : nullptr,
                         translation != nullptr ? &translation3 : nullptr);
    return static_cast<SpriteBatch*>(this)->drawTransform(texture, sourceRect, &m, color);
}

HRESULT SpriteBatchObject::drawTransform(IDirect3DTexture8* texture, const RECT* sourceRect,
                                         const D3DMATRIX* transform, D3DCOLOR color) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC level = {};
    texture->GetLevelDesc(0, &level);
    RECT source = {0, 0, LONG(level.Width), LONG(level.Height)};
    if (sourceRect != nullptr) {
        source = *sourceRect;
        if (!sourceRectAccepted(source, level))
            return D3DERR_INVALIDCALL;
    }
    const bool needsAlpha = (color >> 24) != 0xFF || formatHasAlpha(level.Format);

    SpriteBatch* self = this;
    const bool implicitBegin = !inBegin_;
    if (implicitBegin) {
        const HRESULT hr = self->begin();
        if (hr < 0)
            return hr;
    }
    IDirect3DDevice8* device = device_.get();
    device->SetTexture(0, texture);
    device->SetRenderState(canAlphaBlend_ ? D3DRS_ALPHABLENDENABLE : D3DRS_ALPHATESTENABLE,
                           needsAlpha ? TRUE : FALSE);
    sendQuad(source, level, transform, color);
    if (implicitBegin) {
        const HRESULT hr = self->end();
        if (hr < 0)
            return hr;
    }
    return S_OK;
}

// The vertices live on the stack and go to the device from memory: a draw allocates nothing.
// The result of the draw call is not examined, as for every state call.
void SpriteBatchObject::sendQuad(const RECT& source, const D3DSURFACE_DESC& level,
                                 const D3DMATRIX* transform, D3DCOLOR color) {
    QuadCorner corners[4];
    quadCorners(source, level, corners);
    IDirect3DDevice8* device = device_.get();
    if (usePretransformed_) {
        SpriteVertexTransformed vertices[4];
        for (int i = 0; i < 4; ++i) {
            Vector3 p = {corners[i].x, corners[i].y, 0.0f};
            if (transform != nullptr)
                transformCoord(&p, &p, transform);
            // Pixel centres lie on integer coordinates: shift so texel centres meet them.
            vertices[i] = {p.x - 0.5f, p.y - 0.5f, 0.0f, 1.0f, color, corners[i].u, corners[i].v};
        }
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices, sizeof(vertices[0]));
    } else {
        SpriteVertex vertices[4];
        for (int i = 0; i < 4; ++i) {
            Vector3 p = {corners[i].x, corners[i].y, 0.0f};
            if (transform != nullptr)
                transformCoord(&p, &p, transform);
            // The half-pixel shift is in the world matrix that begin set.
            vertices[i] = {p.x, p.y, p.z, color, corners[i].u, corners[i].v};
        }
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices, sizeof(vertices[0]));
    }
}
