// texkit sheet: a contact sheet of a texture file, drawn by the toolkit itself: every level's
// pictures as sprites over a checkerboard, each level's size by the text renderer, on a
// headless device whose back buffer is the sheet; the presented frame becomes the PNG file.
#include "platform_ext.h"
#include "sprite/device_holders.h"
#include "sprite/sprite_batch.h"
#include "text/text_renderer.h"
#include "tools/png_writer.h"
#include "tools/texkit/decoded_texture.h"
#include "tools/texkit/sheet_layout.h"
#include "tools/texkit/verbs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

constexpr D3DCOLOR SheetBackground = 0xFF404040;
constexpr D3DCOLOR LabelColor = 0xFFFFFFFF;
constexpr uint32_t CheckerLight = 0xFFC0C0C0, CheckerDark = 0xFF909090;
constexpr UINT CheckerSquare = 8;

struct SheetOptions {
    std::string file;
    std::string outputPath;
};

constexpr OptionRow<SheetOptions> sheetRows[] = {
    {"--output", "-o", "OUT.png",
     [](const std::string& v, SheetOptions* o) {
         o->outputPath = v;
         return !v.empty();
     }},
};

const char sheetHelpText[] =
    "usage: texkit sheet FILE -o OUT.png\n"
    "\n"
    "Draws a contact sheet of a texture file: every mip level side by side, the largest first,\n"
    "a cube map's six faces in a cross (+Y above -X +Z +X -Z, -Y below), a volume's slices in\n"
    "a row, transparent pixels over a grey checkerboard and each level's size under it. The\n"
    "sheet is drawn by the toolkit's sprite batch and text renderer on the software device.\n"
    "\n"
    "  -o, --output OUT.png  the picture to write\n"
    "  --help                shows this text\n";

// A managed texture holding `pixels` (width x height ARGB words, rows without padding).
HRESULT makeTexture(IDirect3DDevice8* device, const uint32_t* pixels, UINT width, UINT height,
                    IDirect3DTexture8** out) {
    ComRef<IDirect3DTexture8> texture;
    HRESULT hr =
        device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out());
    D3DLOCKED_RECT locked = {};
    if (SUCCEEDED(hr))
        hr = texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr))
        return hr;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    pixels + size_t(y) * width, size_t(width) * 4);
    texture->UnlockRect(0);
    *out = texture.detach();
    return D3D_OK;
}

// A checkerboard as large as the largest tile, drawn under every tile from its corner.
HRESULT makeChecker(IDirect3DDevice8* device, const SheetLayout& layout, IDirect3DTexture8** out) {
    UINT width = 1, height = 1;
    for (const SheetCell& cell : layout.cells) {
        width = std::max(width, cell.width);
        height = std::max(height, cell.height);
    }
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] =
                (x / CheckerSquare + y / CheckerSquare) % 2 == 0 ? CheckerLight : CheckerDark;
    return makeTexture(device, pixels.data(), width, height, out);
}

// The tiles' pictures (over the checkerboard) through the sprite batch, the sizes through the
// text renderer, between one BeginScene and one Present.
HRESULT drawSheet(IDirect3DDevice8* device, const DecodedTexture& texture,
                  const SheetLayout& layout) {
    ComRef<SpriteBatch> sprites;
    ComRef<TextRenderer> text;
    ComRef<IDirect3DTexture8> checker;
    HRESULT hr = createSpriteBatch(device, sprites.out());
    if (SUCCEEDED(hr))
        hr = createTextRendererFromFont(device, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)),
                                        text.out());
    if (SUCCEEDED(hr))
        hr = makeChecker(device, layout, checker.out());
    if (SUCCEEDED(hr))
        hr = device->Clear(0, nullptr, D3DCLEAR_TARGET, SheetBackground, 1.0f, 0);
    if (FAILED(hr) || FAILED(hr = device->BeginScene()))
        return hr;
    if (SUCCEEDED(hr = sprites->begin())) {
        for (const SheetCell& cell : layout.cells) {
            const RECT area = {0, 0, LONG(cell.width), LONG(cell.height)};
            for (const SheetTile& tile : cell.tiles) {
                const DecodedLevel& level = texture.faces[tile.face][cell.level];
                ComRef<IDirect3DTexture8> picture;
                hr = makeTexture(device,
                                 level.argb.data() + size_t(tile.slice) * cell.width * cell.height,
                                 cell.width, cell.height, picture.out());
                if (FAILED(hr))
                    break;
                const Vector2 at = {float(tile.left), float(tile.top)};
                sprites->draw(checker.get(), &area, nullptr, nullptr, 0, &at, 0xFFFFFFFF);
                sprites->draw(picture.get(), nullptr, nullptr, nullptr, 0, &at, 0xFFFFFFFF);
            }
        }
        sprites->end();
    }
    if (SUCCEEDED(hr) && SUCCEEDED(hr = text->begin())) {
        for (const SheetCell& cell : layout.cells) {
            RECT box = cell.label;
            text->drawText(cell.text.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                           LabelColor);
        }
        text->end();
    }
    device->EndScene();
    return SUCCEEDED(hr) ? device->Present(nullptr, nullptr, nullptr, nullptr) : hr;
}

} // namespace

int runSheet(const Invocation&, std::span<const std::string> arguments) {
    SheetOptions options;
    std::vector<std::string> files;
    std::string error;
    switch (parseCommandLine(arguments, &options, &files, &error,
                             std::span<const OptionRow<SheetOptions>>(sheetRows))) {
    case CommandLine::Help:
        std::fputs(sheetHelpText, stdout);
        return 0;
    case CommandLine::Wrong:
        break;
    case CommandLine::Run:
        if (files.size() != 1)
            error = files.empty() ? "no file given" : "more than one file: " + files[1];
        else if (options.outputPath.empty())
            error = "no output file (-o OUT.png)";
        break;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "texkit sheet: %s\nusage: texkit sheet FILE -o OUT.png\n",
                     error.c_str());
        return 2;
    }
    options.file = files[0];

    DecodedTexture texture;
    if (FAILED(decodeTextureFile(options.file, &texture, &error))) {
        std::fprintf(stderr, "texkit sheet: %s: %s\n", options.file.c_str(), error.c_str());
        return 1;
    }
    const SheetLayout layout = layOutSheet(texture);
    ComRef<IDirect3DDevice8> device;
    HRESULT hr = platform_ext::createHeadlessDevice(layout.width, layout.height, device.out());
    if (SUCCEEDED(hr))
        hr = drawSheet(device.get(), texture, layout);
    platform_ext::PresentedFrame frame;
    if (FAILED(hr) || !platform_ext::lastPresentedFrame(device.get(), &frame)) {
        std::fprintf(stderr, "texkit sheet: cannot draw a %ux%u sheet (0x%08X)\n", layout.width,
                     layout.height, unsigned(hr));
        return 1;
    }
    if (!tools::writePng(options.outputPath, frame.pixels.data(), frame.width, frame.height,
                         frame.width, false, &error)) {
        std::fprintf(stderr, "texkit sheet: %s\n", error.c_str());
        return 1;
    }
    std::printf("sheet=%ux%u levels=%zu\n", layout.width, layout.height, layout.cells.size());
    return 0;
}
