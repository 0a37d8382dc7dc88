// The scene player: a reader turns the bytes into calls, and each call is made on both devices
// before the next is read, its answers compared at once, so that a difference is reported at
// the call that made it. The bytes choose among tables of the values a game passes, with a few
// values the device refuses mixed in, so that random bytes mostly draw.
#include "tests/support/scene_script.h"

#include "tests/support/scene_values.h"

#include "d3d8.h"
#include "platform_ext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace scene_script {

namespace {

using namespace detail;

constexpr unsigned TextureSlots = 6;
constexpr unsigned SurfaceSlots = 3;
constexpr unsigned BlockSlots = 3;
constexpr unsigned MaxCallsPerScene = 400;

struct Side {
    IDirect3DDevice8* device = nullptr;
    IDirect3DBaseTexture8* textures[TextureSlots] = {};
    IDirect3DSurface8* surfaces[SurfaceSlots] = {};
    DWORD blocks[BlockSlots] = {};
    IDirect3DSurface8* heldBackBuffer = nullptr; // locked across calls: the back buffer or a level
    D3DLOCKED_RECT held = {};
};

// What a call gave on one device: its answers in order, and the bytes it read.
struct Outcome {
    std::vector<HRESULT> answers;
    std::vector<uint8_t> bytes;
    int frameWidth = 0; // when the bytes are a presented frame, its width in pixels

    HRESULT answer(HRESULT hr) {
        answers.push_back(hr);
        return hr;
    }
};

class Player {
public:
    Player(Tally* tally, const Options& options) : tally_(tally), options_(options) {}
    ~Player() {
        for (Side& side : sides_)
            releaseAll(side);
        platform_ext::setDrawThreadCount(0);
        platform_ext::resetDeviceProfile();
    }

    std::string play(const uint8_t* bytes, size_t size);

private:
    // Makes the call on both devices and compares what they gave; false once they differ.
    template <class Call> bool both(const char* name, Call call);
    bool createDevices(Reader& in);
    void releaseAll(Side& side);
    void step(Reader& in);

    void renderState(Reader& in);
    void stageState(Reader& in);
    void createTexture(Reader& in);
    void lockTexture(Reader& in);
    void releaseTexture(Reader& in);
    void setTexture(Reader& in);
    void setLod(Reader& in);
    void vertexFormat(Reader& in);
    void transform(Reader& in);
    void viewport(Reader& in);
    void draw(Reader& in);
    void clear(Reader& in);
    void copyRects(Reader& in);
    void updateTexture(Reader& in);
    void imageSurface(Reader& in);
    void lockSurface(Reader& in);
    void lockBackBuffer(Reader& in);
    void holdBackBuffer(Reader& in);
    void stateBlock(Reader& in);
    void present();
    void releaseHeldBackBuffer();

    Tally* tally_;
    Options options_;
    Side sides_[2];
    UINT width_ = 0, height_ = 0;
    std::string difference_;
    unsigned call_ = 0;
    unsigned heldFor_ = 0; // steps until the held lock is unlocked
    bool heldWrites_ = false;
    uint32_t heldSeed_ = 0;
};

template <class Call> bool Player::both(const char* name, Call call) {
    if (!difference_.empty())
        return false;
    Outcome outcomes[2];
    for (int s = 0; s < 2; ++s)
        call(sides_[s], outcomes[s]);
    ++call_;
    tally_->calls += 1;
    char text[256];
    const Outcome &a = outcomes[0], &b = outcomes[1];
    if (a.answers != b.answers) {
        size_t i = 0;
        while (i < a.answers.size() && i < b.answers.size() && a.answers[i] == b.answers[i])
            ++i;
        std::snprintf(text, sizeof(text),
                      "call %u (%s): answer %zu is 0x%08X on %u threads, 0x%08X on %u", call_, name,
                      i, i < a.answers.size() ? unsigned(a.answers[i]) : 0u, options_.firstThreads,
                      i < b.answers.size() ? unsigned(b.answers[i]) : 0u, options_.secondThreads);
        difference_ = text;
        return false;
    }
    if (a.bytes != b.bytes) {
        size_t i = 0;
        while (i < a.bytes.size() && i < b.bytes.size() && a.bytes[i] == b.bytes[i])
            ++i;
        if (a.frameWidth > 0)
            std::snprintf(text, sizeof(text), "call %u (%s): pixel (%zu, %zu) differs", call_, name,
                          i / 4 % size_t(a.frameWidth), i / 4 / size_t(a.frameWidth));
        else
            std::snprintf(text, sizeof(text),
                          "call %u (%s): byte %zu of %zu read differs (0x%02X, 0x%02X)", call_,
                          name, i, a.bytes.size(), i < a.bytes.size() ? a.bytes[i] : 0u,
                          i < b.bytes.size() ? b.bytes[i] : 0u);
        difference_ = text;
        return false;
    }
    return true;
}

bool Player::createDevices(Reader& in) {
    const UINT sizes[] = {1, 3, 8, 17, 32, 40, 48, 64, 64, 64, 80, 96};
    width_ = in.pick(sizes);
    height_ = in.pick(sizes);
    const uint8_t flags = in.byte();
    uint32_t profile = 0;
    if (flags & 1)
        profile |= platform_ext::ProfileDesktop16;
    if ((flags & 0x0E) == 0x0E)
        profile |= platform_ext::ProfileNoBlend;
    if ((flags & 0x70) == 0x70)
        profile |= platform_ext::ProfilePow2Cond;
    const D3DSWAPEFFECT effects[] = {D3DSWAPEFFECT_DISCARD, D3DSWAPEFFECT_COPY, D3DSWAPEFFECT_FLIP,
                                     D3DSWAPEFFECT_DISCARD};
    const D3DSWAPEFFECT effect = effects[(flags >> 4) & 3];
    const bool lockable = (flags & 0xC0) != 0xC0;

    platform_ext::setDeviceProfile(profile);
    for (int s = 0; s < 2; ++s) {
        platform_ext::setDrawThreadCount(s == 0 ? options_.firstThreads : options_.secondThreads);
        IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
        if (direct3D == nullptr)
            return false;
        D3DDISPLAYMODE mode = {};
        HRESULT hr = direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
        D3DPRESENT_PARAMETERS p = {};
        p.BackBufferWidth = width_;
        p.BackBufferHeight = height_;
        p.BackBufferFormat = mode.Format;
        p.BackBufferCount = 1;
        p.SwapEffect = effect;
        p.Windowed = TRUE;
        p.Flags = lockable ? D3DPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
        if (SUCCEEDED(hr))
            hr = direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &sides_[s].device);
        direct3D->Release();
        if (FAILED(hr))
            return false;
    }
    platform_ext::setDrawThreadCount(0);
    platform_ext::resetDeviceProfile();
    // What every game sets first, so that random bytes need not find it.
    both("start-up states", [](Side& side, Outcome& o) {
        o.answer(side.device->SetRenderState(D3DRS_LIGHTING, FALSE));
        o.answer(side.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE));
        o.answer(side.device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    });
    return true;
}

void Player::releaseAll(Side& side) {
    if (side.device == nullptr)
        return;
    if (side.heldBackBuffer != nullptr) {
        side.heldBackBuffer->UnlockRect();
        side.heldBackBuffer->Release();
        side.heldBackBuffer = nullptr;
    }
    for (DWORD& token : side.blocks)
        if (token != 0) {
            side.device->DeleteStateBlock(token);
            token = 0;
        }
    for (IDirect3DSurface8*& surface : side.surfaces)
        if (surface != nullptr) {
            surface->Release();
            surface = nullptr;
        }
    for (IDirect3DBaseTexture8*& texture : side.textures)
        if (texture != nullptr) {
            texture->Release();
            texture = nullptr;
        }
    side.device->Release();
    side.device = nullptr;
}

void Player::renderState(Reader& in) {
    const RenderStateChoice& choice = in.pick(renderStateChoices());
    const uint8_t b = in.byte();
    const DWORD value = b < 250 ? choice.values[b % choice.values.size()] : in.word();
    both("SetRenderState", [&](Side& side, Outcome& o) {
        o.answer(side.device->SetRenderState(choice.state, value));
    });
}

void Player::stageState(Reader& in) {
    const uint8_t where = in.byte();
    const DWORD stage = where % 8 == 0 ? where % 3 : 0;
    const StageStateChoice& choice = in.pick(stageStateChoices());
    const DWORD value = in.pick(choice.values);
    both("SetTextureStageState", [&](Side& side, Outcome& o) {
        o.answer(side.device->SetTextureStageState(stage, choice.type, value));
    });
}

void Player::createTexture(Reader& in) {
    const unsigned slot = in.byte() % TextureSlots;
    const uint8_t kind = in.byte();
    const D3DFORMAT format = in.pick(TextureFormats);
    const UINT width = in.pick(TextureSizes), height = in.pick(TextureSizes);
    const UINT levels = in.byte() % 4;
    const D3DPOOL pools[] = {D3DPOOL_MANAGED, D3DPOOL_MANAGED, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM,
                             D3DPOOL_DEFAULT};
    const D3DPOOL pool = in.pick(pools);
    const DWORD usage =
        (kind & 0x40) != 0 && (pool == D3DPOOL_DEFAULT || kind % 8 == 0) ? D3DUSAGE_DYNAMIC : 0;
    const bool cube = kind % 16 == 15;
    const bool fill = (kind & 0x80) == 0;
    const uint32_t seed = in.word();
    const uint8_t mode = in.byte();
    both("CreateTexture", [&](Side& side, Outcome& o) {
        IDirect3DBaseTexture8*& held = side.textures[slot];
        if (held != nullptr) {
            o.answer(HRESULT(held->Release()));
            held = nullptr;
        }
        if (cube) {
            IDirect3DCubeTexture8* texture = nullptr;
            if (FAILED(o.answer(
                    side.device->CreateCubeTexture(width, levels, usage, format, pool, &texture))))
                return;
            held = texture;
            if (!fill)
                return;
            for (UINT face = 0; face < 6; ++face) {
                D3DSURFACE_DESC desc = {};
                texture->GetLevelDesc(0, &desc);
                D3DLOCKED_RECT locked;
                if (FAILED(o.answer(
                        texture->LockRect(D3DCUBEMAP_FACES(face), 0, &locked, nullptr, 0))))
                    continue;
                const Extent e = extentOf(format, wholeRect(desc.Width, desc.Height));
                fillPattern(static_cast<BYTE*>(locked.pBits), locked.Pitch, e.rowBytes, e.rows,
                            seed + face, mode);
                o.answer(texture->UnlockRect(D3DCUBEMAP_FACES(face), 0));
            }
            return;
        }
        IDirect3DTexture8* texture = nullptr;
        if (FAILED(o.answer(
                side.device->CreateTexture(width, height, levels, usage, format, pool, &texture))))
            return;
        held = texture;
        if (!fill)
            return;
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc = {};
            o.answer(texture->GetLevelDesc(level, &desc));
            D3DLOCKED_RECT locked;
            if (FAILED(o.answer(texture->LockRect(level, &locked, nullptr, 0))))
                continue;
            const Extent e = extentOf(format, wholeRect(desc.Width, desc.Height));
            fillPattern(static_cast<BYTE*>(locked.pBits), locked.Pitch, e.rowBytes, e.rows,
                        seed + level, mode);
            o.answer(texture->UnlockRect(level));
        }
    });
}

void Player::lockTexture(Reader& in) {
    const unsigned slot = in.byte() % TextureSlots;
    const uint8_t where = in.byte();
    const UINT level = where % 4;
    const D3DCUBEMAP_FACES face = D3DCUBEMAP_FACES((where / 4) % 6);
    IDirect3DBaseTexture8* first = sides_[0].textures[slot];
    D3DSURFACE_DESC desc = {};
    if (first != nullptr && first->GetType() == D3DRTYPE_TEXTURE)
        static_cast<IDirect3DTexture8*>(first)->GetLevelDesc(level, &desc);
    else if (first != nullptr && first->GetType() == D3DRTYPE_CUBETEXTURE)
        static_cast<IDirect3DCubeTexture8*>(first)->GetLevelDesc(level, &desc);
    const LockPlan plan =
        readLockPlan(in, std::max<UINT>(desc.Width, 1), std::max<UINT>(desc.Height, 1));
    const RECT rect = plan.whole ? wholeRect(desc.Width, desc.Height) : plan.rect;
    both("LockRect of a texture", [&](Side& side, Outcome& o) {
        IDirect3DBaseTexture8* held = side.textures[slot];
        if (held == nullptr)
            return;
        D3DLOCKED_RECT locked;
        const RECT* asked = plan.whole ? nullptr : &plan.rect;
        if (held->GetType() == D3DRTYPE_TEXTURE) {
            auto* texture = static_cast<IDirect3DTexture8*>(held);
            if (FAILED(o.answer(texture->LockRect(level, &locked, asked, plan.flags))))
                return;
            useLock(locked, desc.Format, rect, plan, &o.bytes);
            o.answer(texture->UnlockRect(level));
        } else {
            auto* texture = static_cast<IDirect3DCubeTexture8*>(held);
            if (FAILED(o.answer(texture->LockRect(face, level, &locked, asked, plan.flags))))
                return;
            useLock(locked, desc.Format, rect, plan, &o.bytes);
            o.answer(texture->UnlockRect(face, level));
        }
        if (&side == &sides_[1])
            tally_->locks += 1;
    });
}

void Player::releaseTexture(Reader& in) {
    const unsigned slot = in.byte() % TextureSlots;
    both("Release of a texture", [&](Side& side, Outcome& o) {
        if (side.textures[slot] != nullptr)
            o.answer(HRESULT(side.textures[slot]->Release()));
        side.textures[slot] = nullptr;
    });
}

void Player::setTexture(Reader& in) {
    const uint8_t where = in.byte();
    const DWORD stage = where % 8 == 7 ? 1 : 0;
    const unsigned slot = in.byte() % (TextureSlots + 1);
    both("SetTexture", [&](Side& side, Outcome& o) {
        o.answer(
            side.device->SetTexture(stage, slot < TextureSlots ? side.textures[slot] : nullptr));
    });
}

void Player::setLod(Reader& in) {
    const unsigned slot = in.byte() % TextureSlots;
    const DWORD lod = in.byte() % 4;
    both("SetLOD", [&](Side& side, Outcome& o) {
        if (side.textures[slot] != nullptr)
            o.answer(HRESULT(side.textures[slot]->SetLOD(lod)));
    });
}

void Player::vertexFormat(Reader& in) {
    const DWORD fvf = in.pick(VertexFormats);
    both("SetVertexShader",
         [&](Side& side, Outcome& o) { o.answer(side.device->SetVertexShader(fvf)); });
}

void Player::transform(Reader& in) {
    const D3DTRANSFORMSTATETYPE slots[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION,
                                           D3DTS_PROJECTION, D3DTS_TEXTURE0};
    const D3DTRANSFORMSTATETYPE slot = in.pick(slots);
    const bool multiply = in.byte() % 4 == 0;
    const D3DMATRIX matrix = readMatrix(in);
    both(multiply ? "MultiplyTransform" : "SetTransform", [&](Side& side, Outcome& o) {
        o.answer(multiply ? side.device->MultiplyTransform(slot, &matrix)
                          : side.device->SetTransform(slot, &matrix));
    });
}

void Player::viewport(Reader& in) {
    D3DVIEWPORT8 v = {};
    v.X = in.byte() % width_;
    v.Y = in.byte() % height_;
    v.Width = 1 + in.byte() % (width_ - v.X);
    v.Height = 1 + in.byte() % (height_ - v.Y);
    const uint8_t extra = in.byte();
    if (extra % 16 == 0)
        v.Width += 3; // past the render target: refused
    const float depths[][2] = {
        {0.0f, 1.0f}, {0.0f, 1.0f}, {0.25f, 0.75f}, {0.5f, 0.5f}, {1.0f, 0.0f}};
    v.MinZ = depths[(extra / 16) % 5][0];
    v.MaxZ = depths[(extra / 16) % 5][1];
    both("SetViewport", [&](Side& side, Outcome& o) { o.answer(side.device->SetViewport(&v)); });
}

void Player::draw(Reader& in) {
    const D3DPRIMITIVETYPE types[] = {
        D3DPT_POINTLIST,     D3DPT_LINELIST,      D3DPT_LINESTRIP,    D3DPT_TRIANGLELIST,
        D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN,   D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN,
        D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLELIST,  D3DPT_TRIANGLEFAN,  D3DPT_TRIANGLELIST,
        D3DPT_TRIANGLEFAN,   D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN};
    const D3DPRIMITIVETYPE type = in.pick(types);
    const uint8_t shape = in.byte(), amount = in.byte();
    DWORD fvf = 0;
    sides_[0].device->GetVertexShader(&fvf);
    VertexLayout layout = layoutOf(fvf);
    if (!layout.known)
        layout = layoutOf(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    UINT stride = layout.size;
    if (shape % 16 == 1)
        stride += 4 * (1 + amount % 3);
    else if (shape % 64 == 2)
        stride -= 4; // shorter than the vertex: refused
    const bool screen = layout.transformed;

    // A sprite: an axis-aligned quad of two triangles, often on pixel centres so that the
    // texel-for-pixel path is taken.
    const bool sprite =
        shape % 4 == 0 && (type == D3DPT_TRIANGLEFAN || type == D3DPT_TRIANGLESTRIP);
    // Many small triangles, enough to fill the recording and have it played part-way.
    const bool crowd = amount == 0xFF && type == D3DPT_TRIANGLELIST;
    std::vector<Vertex> vertices;
    UINT count = 0;
    if (sprite) {
        count = 2;
        Vertex corner[2];
        for (Vertex& c : corner)
            c = readVertex(in, width_, height_, screen);
        if (shape & 0x10)
            for (Vertex& c : corner) {
                c.x = std::floor(c.x) - 0.5f;
                c.y = std::floor(c.y) - 0.5f;
            }
        if (shape & 0x20)
            corner[1].rhw = corner[0].rhw;
        const D3DCOLOR color = corner[0].color;
        const auto at = [&](int cx, int cy) {
            Vertex v = corner[0];
            v.x = corner[cx].x;
            v.y = corner[cy].y;
            v.u = corner[cx].u;
            v.v = corner[cy].v;
            v.rhw = corner[cx].rhw;
            v.color = shape & 0x40 ? color : corner[(cx + cy) % 2].color;
            return v;
        };
        if (type == D3DPT_TRIANGLEFAN)
            vertices = {at(0, 0), at(1, 0), at(1, 1), at(0, 1)};
        else
            vertices = {at(0, 0), at(1, 0), at(0, 1), at(1, 1)};
    } else if (crowd) {
        count = 16;
        const Vertex base = readVertex(in, width_, height_, screen);
        for (UINT i = 0; i < count; ++i) {
            const float x = float((i * 7 + shape) % (width_ + 4)) - 2.0f;
            const float y = float((i * 13 + shape) % (height_ + 4)) - 2.0f;
            Vertex v = base;
            v.x = screen ? x : x / float(width_) * 2.0f - 1.0f;
            v.y = screen ? y : y / float(height_) * 2.0f - 1.0f;
            vertices.push_back(v);
            v.x += screen ? 1.5f : 0.05f;
            vertices.push_back(v);
            v.y += screen ? 1.25f : 0.05f;
            vertices.push_back(v);
        }
    } else {
        count = amount % 16 == 0 ? 1 + amount / 16 * 3 : 1 + amount % 5;
        const uint64_t needed = verticesFor(type, count);
        // Fewer bytes than vertices: the later vertices repeat the earlier ones, shifted.
        const UINT read = UINT(std::min<uint64_t>(needed, 12));
        for (UINT i = 0; i < read; ++i)
            vertices.push_back(readVertex(in, width_, height_, screen));
        for (uint64_t i = read; i < needed; ++i) {
            Vertex v = vertices[i % read];
            v.x += screen ? float(i / read) * 3.0f : float(i / read) * 0.1f;
            vertices.push_back(v);
        }
    }
    const uint8_t repeat = in.byte();
    const UINT draws = crowd ? 4100 : repeat % 8 == 0 ? 1 + repeat / 8 % 4 : 1;
    std::vector<uint8_t> bytes(size_t(std::max<UINT>(stride, layout.size)) * vertices.size() + 16,
                               0);
    for (size_t i = 0; i < vertices.size(); ++i)
        putVertex(bytes, i * stride, layout, vertices[i]);
    both("DrawPrimitiveUP", [&](Side& side, Outcome& o) {
        for (UINT d = 0; d < draws; ++d)
            if (SUCCEEDED(
                    o.answer(side.device->DrawPrimitiveUP(type, count, bytes.data(), stride))) &&
                &side == &sides_[1])
                tally_->draws += 1;
    });
}

void Player::clear(Reader& in) {
    const uint8_t kind = in.byte();
    DWORD flags = D3DCLEAR_TARGET;
    if (kind % 32 == 0)
        flags |= D3DCLEAR_ZBUFFER;
    else if (kind % 32 == 1)
        flags = 0;
    std::vector<D3DRECT> rects(kind / 32 % 4);
    for (D3DRECT& r : rects) {
        r.x1 = LONG(in.byte() % (width_ + 8)) - 4;
        r.y1 = LONG(in.byte() % (height_ + 8)) - 4;
        r.x2 = r.x1 + LONG(in.byte() % (width_ + 1));
        r.y2 = r.y1 + LONG(in.byte() % (height_ + 1));
    }
    const D3DCOLOR color = in.word();
    both("Clear", [&](Side& side, Outcome& o) {
        o.answer(side.device->Clear(DWORD(rects.size()), rects.empty() ? nullptr : rects.data(),
                                    flags, color, 1.0f, 0));
    });
}

// A surface named by a byte: the back buffer, an image surface, or a texture's level or face.
// The caller releases what it gets.
IDirect3DSurface8* surfaceOf(Side& side, uint8_t which) {
    IDirect3DSurface8* surface = nullptr;
    const unsigned kind = which % 4;
    if (kind == 0) {
        side.device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
    } else if (kind == 1) {
        surface = side.surfaces[(which / 4) % SurfaceSlots];
        if (surface != nullptr)
            surface->AddRef();
    } else {
        IDirect3DBaseTexture8* texture = side.textures[(which / 4) % TextureSlots];
        const UINT level = which / 64 % 2;
        if (texture != nullptr && texture->GetType() == D3DRTYPE_TEXTURE)
            static_cast<IDirect3DTexture8*>(texture)->GetSurfaceLevel(level, &surface);
        else if (texture != nullptr && texture->GetType() == D3DRTYPE_CUBETEXTURE)
            static_cast<IDirect3DCubeTexture8*>(texture)->GetCubeMapSurface(
                D3DCUBEMAP_FACES(which / 4 % 6), level, &surface);
    }
    return surface;
}

void Player::copyRects(Reader& in) {
    const uint8_t from = in.byte(), to = in.byte();
    D3DSURFACE_DESC desc = {};
    if (IDirect3DSurface8* source = surfaceOf(sides_[0], from)) {
        source->GetDesc(&desc);
        source->Release();
    }
    const UINT w = std::max<UINT>(desc.Width, 1), h = std::max<UINT>(desc.Height, 1);
    const uint8_t kind = in.byte();
    std::vector<RECT> rects(kind % 4);
    std::vector<POINT> points(rects.size());
    for (size_t i = 0; i < rects.size(); ++i) {
        const bool grid = (kind & 0x10) != 0;
        RECT& r = rects[i];
        r.left = LONG(in.byte() % w);
        r.top = LONG(in.byte() % h);
        r.right = r.left + 1 + LONG(in.byte() % w);
        r.bottom = r.top + 1 + LONG(in.byte() % h);
        if (kind & 0x20) {
            r.right = std::min<LONG>(r.right, LONG(w));
            r.bottom = std::min<LONG>(r.bottom, LONG(h));
        }
        points[i] = {LONG(in.byte() % (width_ + 2)), LONG(in.byte() % (height_ + 2))};
        if (grid) {
            r.left &= ~3;
            r.top &= ~3;
            points[i].x &= ~3;
            points[i].y &= ~3;
        }
    }
    const bool withPoints = (kind & 0x40) == 0;
    both("CopyRects", [&](Side& side, Outcome& o) {
        IDirect3DSurface8* source = surfaceOf(side, from);
        IDirect3DSurface8* dest = surfaceOf(side, to);
        if (source != nullptr && dest != nullptr)
            o.answer(side.device->CopyRects(
                source, rects.empty() ? nullptr : rects.data(), UINT(rects.size()), dest,
                withPoints && !points.empty() ? points.data() : nullptr));
        else
            o.answer(S_FALSE);
        if (source != nullptr)
            source->Release();
        if (dest != nullptr)
            dest->Release();
    });
}

// UpdateTexture between two slots; most often into a texture made for it first, of the
// source's format in the default pool, its top level the size of one of the source's levels.
void Player::updateTexture(Reader& in) {
    const unsigned from = in.byte() % TextureSlots, to = in.byte() % TextureSlots;
    const uint8_t how = in.byte();
    both("UpdateTexture", [&](Side& side, Outcome& o) {
        IDirect3DBaseTexture8* source = side.textures[from];
        if (how % 4 != 0 && from != to && source != nullptr &&
            source->GetType() == D3DRTYPE_TEXTURE) {
            D3DSURFACE_DESC desc = {};
            const UINT first = how / 4 % 2;
            if (SUCCEEDED(o.answer(
                    static_cast<IDirect3DTexture8*>(source)->GetLevelDesc(first, &desc)))) {
                if (side.textures[to] != nullptr)
                    o.answer(HRESULT(side.textures[to]->Release()));
                side.textures[to] = nullptr;
                IDirect3DTexture8* made = nullptr;
                const DWORD usage = how & 0x40 ? D3DUSAGE_DYNAMIC : 0;
                if (SUCCEEDED(o.answer(side.device->CreateTexture(desc.Width, desc.Height,
                                                                  how / 8 % 3, usage, desc.Format,
                                                                  D3DPOOL_DEFAULT, &made))))
                    side.textures[to] = made;
            }
        }
        o.answer(side.device->UpdateTexture(side.textures[from], side.textures[to]));
    });
}

void Player::imageSurface(Reader& in) {
    const unsigned slot = in.byte() % SurfaceSlots;
    const D3DFORMAT formats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, D3DFMT_DXT1,
                                 D3DFMT_X8R8G8B8};
    const D3DFORMAT format = in.pick(formats);
    const UINT width = in.pick(TextureSizes), height = in.pick(TextureSizes);
    const uint32_t seed = in.word();
    both("CreateImageSurface", [&](Side& side, Outcome& o) {
        IDirect3DSurface8*& held = side.surfaces[slot];
        if (held != nullptr) {
            o.answer(HRESULT(held->Release()));
            held = nullptr;
        }
        if (FAILED(o.answer(side.device->CreateImageSurface(width, height, format, &held))))
            return;
        D3DLOCKED_RECT locked;
        if (FAILED(o.answer(held->LockRect(&locked, nullptr, 0))))
            return;
        const Extent e = extentOf(format, wholeRect(width, height));
        fillPattern(static_cast<BYTE*>(locked.pBits), locked.Pitch, e.rowBytes, e.rows, seed, 0);
        o.answer(held->UnlockRect());
    });
}

void Player::lockSurface(Reader& in) {
    const unsigned slot = in.byte() % SurfaceSlots;
    D3DSURFACE_DESC desc = {};
    if (sides_[0].surfaces[slot] != nullptr)
        sides_[0].surfaces[slot]->GetDesc(&desc);
    const LockPlan plan =
        readLockPlan(in, std::max<UINT>(desc.Width, 1), std::max<UINT>(desc.Height, 1));
    const RECT rect = plan.whole ? wholeRect(desc.Width, desc.Height) : plan.rect;
    both("LockRect of an image surface", [&](Side& side, Outcome& o) {
        IDirect3DSurface8* surface = side.surfaces[slot];
        if (surface == nullptr)
            return;
        D3DLOCKED_RECT locked;
        if (FAILED(o.answer(
                surface->LockRect(&locked, plan.whole ? nullptr : &plan.rect, plan.flags))))
            return;
        useLock(locked, desc.Format, rect, plan, &o.bytes);
        o.answer(surface->UnlockRect());
        if (&side == &sides_[1])
            tally_->locks += 1;
    });
}

void Player::lockBackBuffer(Reader& in) {
    D3DSURFACE_DESC desc = {};
    {
        IDirect3DSurface8* back = nullptr;
        if (SUCCEEDED(sides_[0].device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
            back->GetDesc(&desc);
            back->Release();
        }
    }
    const LockPlan plan = readLockPlan(in, width_, height_);
    const RECT rect = plan.whole ? wholeRect(width_, height_) : plan.rect;
    both("LockRect of the back buffer", [&](Side& side, Outcome& o) {
        IDirect3DSurface8* back = nullptr;
        if (FAILED(o.answer(side.device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))))
            return;
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(
                o.answer(back->LockRect(&locked, plan.whole ? nullptr : &plan.rect, plan.flags)))) {
            useLock(locked, desc.Format, rect, plan, &o.bytes);
            o.answer(back->UnlockRect());
            if (&side == &sides_[1]) {
                tally_->locks += 1;
                tally_->backBufferLocks += 1;
            }
        }
        back->Release();
    });
}

// Locks the back buffer, or a level of a texture, and keeps it locked for the next one to four
// calls, so that they meet a locked render target or draw with a locked texture; a writing lock
// is written just before its unlock, after those calls.
void Player::holdBackBuffer(Reader& in) {
    const uint8_t how = in.byte(), which = in.byte();
    const DWORD flags = how % 2 ? D3DLOCK_READONLY : 0;
    heldFor_ = 2 + how / 2 % 4;
    heldWrites_ = flags == 0;
    heldSeed_ = in.word();
    both("LockRect held", [&](Side& side, Outcome& o) {
        if (side.heldBackBuffer != nullptr)
            return;
        IDirect3DSurface8* surface = surfaceOf(side, which % 4 == 1 ? uint8_t(which + 1) : which);
        if (surface == nullptr)
            return;
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(o.answer(surface->LockRect(&locked, nullptr, flags)))) {
            D3DSURFACE_DESC desc = {};
            surface->GetDesc(&desc);
            readRows(locked, extentOf(desc.Format, wholeRect(desc.Width, desc.Height)), &o.bytes);
            side.heldBackBuffer = surface;
            side.held = locked;
        } else {
            surface->Release();
        }
    });
}

void Player::stateBlock(Reader& in) {
    const uint8_t what = in.byte();
    const unsigned slot = in.byte() % BlockSlots;
    const D3DSTATEBLOCKTYPE types[] = {D3DSBT_ALL, D3DSBT_PIXELSTATE, D3DSBT_VERTEXSTATE};
    const D3DSTATEBLOCKTYPE type = types[what / 8 % 3];
    both("state block", [&](Side& side, Outcome& o) {
        DWORD& token = side.blocks[slot];
        switch (what % 6) {
        case 0:
            if (token != 0)
                o.answer(side.device->DeleteStateBlock(token));
            token = 0;
            o.answer(side.device->CreateStateBlock(type, &token));
            break;
        case 1:
            o.answer(side.device->ApplyStateBlock(token));
            break;
        case 2:
            o.answer(side.device->CaptureStateBlock(token));
            break;
        case 3:
            o.answer(side.device->DeleteStateBlock(token));
            token = 0;
            break;
        case 4:
            o.answer(side.device->BeginStateBlock());
            break;
        default: {
            DWORD made = 0;
            if (SUCCEEDED(o.answer(side.device->EndStateBlock(&made)))) {
                if (token != 0)
                    side.device->DeleteStateBlock(token);
                token = made;
            }
            break;
        }
        }
    });
}

void Player::present() {
    both("Present", [&](Side& side, Outcome& o) {
        if (FAILED(o.answer(side.device->Present(nullptr, nullptr, nullptr, nullptr))))
            return;
        platform_ext::PresentedFrame frame;
        if (!platform_ext::lastPresentedFrame(side.device, &frame)) {
            o.answer(E_FAIL);
            return;
        }
        o.answers.push_back(HRESULT(frame.sequence));
        o.frameWidth = int(frame.width);
        const auto* bytes = reinterpret_cast<const uint8_t*>(frame.pixels.data());
        o.bytes.assign(bytes, bytes + frame.pixels.size() * 4);
        if (&side == &sides_[1])
            tally_->frames += 1;
    });
}

void Player::step(Reader& in) {
    const uint8_t op = in.byte();
    switch (op % 24) {
    case 0:
    case 1:
    case 2:
        renderState(in);
        break;
    case 3:
    case 4:
        stageState(in);
        break;
    case 5:
    case 6:
        createTexture(in);
        break;
    case 7:
        lockTexture(in);
        break;
    case 8:
        releaseTexture(in);
        break;
    case 9:
    case 10:
        setTexture(in);
        break;
    case 11:
        if (op & 0x80)
            setLod(in);
        else
            vertexFormat(in);
        break;
    case 12:
        if (op & 0x80)
            viewport(in);
        else
            transform(in);
        break;
    case 13:
    case 14:
    case 15:
    case 16:
        draw(in);
        break;
    case 17:
        clear(in);
        break;
    case 18:
        if (op & 0x80)
            updateTexture(in);
        else
            copyRects(in);
        break;
    case 19:
        if (op & 0x80)
            imageSurface(in);
        else
            lockSurface(in);
        break;
    case 20:
        if (op & 0x80)
            holdBackBuffer(in);
        else
            lockBackBuffer(in);
        break;
    case 21:
        if (op & 0x80)
            both("ValidateDevice", [](Side& side, Outcome& o) {
                DWORD passes = 0;
                o.answer(side.device->ValidateDevice(&passes));
                o.answers.push_back(HRESULT(passes));
            });
        else
            stateBlock(in);
        break;
    case 22:
        // Now and then a scene is ended or begun out of turn.
        if (op < 0x40)
            both(op & 0x20 ? "EndScene" : "BeginScene", [&](Side& side, Outcome& o) {
                o.answer(op & 0x20 ? side.device->EndScene() : side.device->BeginScene());
            });
        else
            present();
        break;
    default:
        both("EndScene", [](Side& side, Outcome& o) { o.answer(side.device->EndScene()); });
        present();
        both("BeginScene", [](Side& side, Outcome& o) { o.answer(side.device->BeginScene()); });
        break;
    }
    if (heldFor_ > 0 && --heldFor_ == 0)
        releaseHeldBackBuffer();
}

void Player::releaseHeldBackBuffer() {
    both("UnlockRect of the held lock", [&](Side& side, Outcome& o) {
        if (side.heldBackBuffer == nullptr)
            return;
        if (heldWrites_) {
            D3DSURFACE_DESC desc = {};
            side.heldBackBuffer->GetDesc(&desc);
            const Extent e = extentOf(desc.Format, wholeRect(desc.Width, desc.Height));
            fillPattern(static_cast<BYTE*>(side.held.pBits), side.held.Pitch, e.rowBytes, e.rows,
                        heldSeed_, 0);
        }
        o.answer(side.heldBackBuffer->UnlockRect());
        side.heldBackBuffer->Release();
        side.heldBackBuffer = nullptr;
    });
}

std::string Player::play(const uint8_t* bytes, size_t size) {
    Reader in(bytes, size);
    if (!createDevices(in))
        return "no headless device could be made";
    tally_->scenes += 1;
    both("BeginScene", [](Side& side, Outcome& o) { o.answer(side.device->BeginScene()); });
    for (unsigned calls = 0; !in.done() && calls < MaxCallsPerScene && difference_.empty(); ++calls)
        step(in);
    // The end of every scene: whatever is held is let go, and the last frame compared.
    both("end of the scene", [](Side& side, Outcome& o) {
        if (side.heldBackBuffer != nullptr) {
            o.answer(side.heldBackBuffer->UnlockRect());
            side.heldBackBuffer->Release();
            side.heldBackBuffer = nullptr;
        }
        o.answer(side.device->EndScene());
    });
    if (options_.disturbSecond && difference_.empty()) {
        IDirect3DSurface8* back = nullptr;
        sides_[1].device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
        D3DLOCKED_RECT locked;
        if (back != nullptr && SUCCEEDED(back->LockRect(&locked, nullptr, 0))) {
            static_cast<BYTE*>(locked.pBits)[0] ^= 0x10;
            back->UnlockRect();
        }
        if (back != nullptr)
            back->Release();
    }
    present();
    both("release", [&](Side& side, Outcome& o) {
        for (DWORD& token : side.blocks)
            if (token != 0) {
                o.answer(side.device->DeleteStateBlock(token));
                token = 0;
            }
        for (IDirect3DSurface8*& surface : side.surfaces)
            if (surface != nullptr) {
                o.answer(HRESULT(surface->Release()));
                surface = nullptr;
            }
        for (IDirect3DBaseTexture8*& texture : side.textures)
            if (texture != nullptr) {
                o.answer(HRESULT(texture->Release()));
                texture = nullptr;
            }
        o.answer(HRESULT(side.device->Release()));
        side.device = nullptr;
    });
    return difference_;
}

} // namespace

std::string playOnBoth(const uint8_t* bytes, size_t size, Tally* tally, const Options& options) {
    Tally ignored;
    Player player(tally != nullptr ? tally : &ignored, options);
    return player.play(bytes, size);
}

} // namespace scene_script
