// texkit assemble: a cube map from six pictures or a volume from its slices, through the
// toolkit (each picture into its face or slice by the blit engine, the lower levels by blit's
// mip chain builder, or by filterTexture for the loader's chain), written as a DDS file.
#include "blit/com_ref.h"
#include "blit/filter_texture.h"
#include "blit/pixel_format.h"
#include "blit/surface_load.h"
#include "platform_ext.h"
#include "texture/image_decoder.h"
#include "texture/mapped_file.h"
#include "tools/texkit/assemble_options.h"
#include "tools/texkit/chain_texture.h"
#include "tools/texkit/dds_writer.h"
#include "tools/texkit/load_failure.h"
#include "tools/texkit/verbs.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

UINT wholeBlocks(UINT size) {
    return (size + 3) / 4 * 4;
}

// A decoded picture with the mapping its pixels may point into.
struct Picture {
    std::string path;
    MappedFile file;
    ImageDecoder image;
};

using Pictures = std::vector<std::unique_ptr<Picture>>;

std::string sizeOf(const ImageDecoder& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

// The pictures in order, or a message about the first that does not load.
bool loadPictures(const std::vector<std::string>& paths, Pictures* pictures, std::string* error) {
    for (const std::string& path : paths) {
        auto picture = std::make_unique<Picture>();
        picture->path = path;
        HRESULT hr = picture->file.open(path.c_str());
        if (SUCCEEDED(hr))
            hr = picture->image.load(picture->file.view, picture->file.size, nullptr);
        if (FAILED(hr)) {
            *error = path + ": " + loadFailureReason(path, InvalidData);
            return false;
        }
        pictures->push_back(std::move(picture));
    }
    return true;
}

// The refusals: counts, then sizes, then square faces; one message for the first found.
bool checkPictures(const AssembleOptions& options, Pictures* loaded, std::string* error) {
    const size_t count = options.pictures.size();
    if (options.cube && count != 6) {
        *error = "a cube map takes six pictures (+X -X +Y -Y +Z -Z), not " + std::to_string(count);
        return false;
    }
    if (options.volume && count < 2) {
        *error = "a volume takes two or more pictures, not " + std::to_string(count);
        return false;
    }
    if (!loadPictures(options.pictures, loaded, error))
        return false;
    const Pictures& pictures = *loaded;
    const ImageDecoder& first = pictures[0]->image;
    for (const auto& picture : pictures) {
        if (picture->image.width != first.width || picture->image.height != first.height) {
            *error = "the pictures differ in size: " + pictures[0]->path + " is " + sizeOf(first) +
                     ", " + picture->path + " is " + sizeOf(picture->image);
            return false;
        }
    }
    if (options.cube && first.width != first.height) {
        *error = "cube faces are square: the pictures are " + sizeOf(first);
        return false;
    }
    return true;
}

// The default keeps the pictures' alpha, or makes room for the key's transparency.
D3DFORMAT chosenFormat(const AssembleOptions& options, const Pictures& pictures) {
    if (options.format != D3DFMT_UNKNOWN)
        return options.format;
    bool alpha = options.colorKey != 0;
    for (const auto& picture : pictures) {
        const PixelFormatInfo& info = getFormatInfo(picture->image.format);
        alpha |= info.alphaBits != 0 || info.category == Palette;
    }
    return alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

RECT pictureRect(const ImageDecoder& image) {
    return {LONG(image.box.left), LONG(image.box.top), LONG(image.box.right),
            LONG(image.box.bottom)};
}

// A face scaled by a kernel of the builder instead of the blit engine's filter: level 0 is
// written again from the picture, and the chain starts from that.
HRESULT resizeFace(IDirect3DDevice8* device, const AssembleOptions& options,
                   const MipChainOptions& chain, const ImageDecoder& image,
                   IDirect3DCubeTexture8* cube, UINT face, ArgbImage* argb) {
    ComRef<IDirect3DSurface8> whole;
    HRESULT hr = device->CreateImageSurface(image.width, image.height, D3DFMT_A8R8G8B8, whole.out());
    const RECT rect = pictureRect(image);
    if (SUCCEEDED(hr))
        hr = loadSurfaceFromMemory(whole.get(), nullptr, nullptr, image.bits, image.format,
                                   image.rowPitch, image.palette, &rect, FilterNone,
                                   options.colorKey);
    ArgbImage picture;
    if (SUCCEEDED(hr))
        hr = readArgbSurface(whole.get(), &picture);
    MipChainOptions resizing = chain;
    resizing.kernel = *options.resizeKernel;
    const UINT width = argb->width, height = argb->height;
    if (SUCCEEDED(hr) && !resampleImage(picture, width, height, resizing, argb))
        hr = E_OUTOFMEMORY;
    ComRef<IDirect3DSurface8> level0;
    if (SUCCEEDED(hr))
        hr = cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, level0.out());
    const ImageFilter blocks =
        options.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) : ImageFilter(0);
    return SUCCEEDED(hr) ? writeArgbLevel(level0.get(), *argb, FilterNone | blocks) : hr;
}

// The lower levels of every face from blit's mip chain builder, fed the face's picture in
// A8R8G8B8 as the blit engine put it into level 0 (scaled and keyed alike).
HRESULT chainCubeLevels(IDirect3DDevice8* device, const AssembleOptions& options,
                        const Pictures& pictures, D3DFORMAT format, IDirect3DCubeTexture8* cube) {
    D3DSURFACE_DESC top = {};
    HRESULT hr = cube->GetLevelDesc(0, &top);
    const MipChainOptions chain = options.chainOptions(format);
    const ImageFilter blocks =
        options.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) : ImageFilter(0);
    for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        const ImageDecoder& image = pictures[face]->image;
        ComRef<IDirect3DSurface8> argbSurface;
        hr = device->CreateImageSurface(top.Width, top.Height, D3DFMT_A8R8G8B8, argbSurface.out());
        const RECT rect = pictureRect(image);
        if (SUCCEEDED(hr))
            hr = loadSurfaceFromMemory(argbSurface.get(), nullptr, nullptr, image.bits,
                                       image.format, image.rowPitch, image.palette, &rect,
                                       options.filterWord(), options.colorKey);
        ArgbImage argb;
        if (SUCCEEDED(hr))
            hr = readArgbSurface(argbSurface.get(), &argb);
        if (SUCCEEDED(hr) && options.resizeKernel &&
            (top.Width != image.width || top.Height != image.height))
            hr = resizeFace(device, options, chain, image, cube, face, &argb);
        const auto levelSurface = [cube, face](UINT level, IDirect3DSurface8** surface) {
            return cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, surface);
        };
        // A 16-bit face at its own size: its levels from its own values.
        WideArgbImage wide;
        const bool resized = top.Width != image.width || top.Height != image.height;
        if (SUCCEEDED(hr) && !(options.resizeKernel && resized) &&
            wideTexels(image, options.colorKey, top.Width, top.Height, &wide))
            hr = writeLowerLevels(wide, cube->GetLevelCount(), chain, FilterNone | blocks,
                                  levelSurface);
        else if (SUCCEEDED(hr))
            hr = writeLowerLevels(argb, cube->GetLevelCount(), chain, FilterNone | blocks,
                                  levelSurface);
    }
    return hr;
}

HRESULT buildCube(IDirect3DDevice8* device, const AssembleOptions& options,
                  const Pictures& pictures, UINT edge, D3DFORMAT format,
                  IDirect3DCubeTexture8** out) {
    ComRef<IDirect3DCubeTexture8> cube;
    HRESULT hr = device->CreateCubeTexture(
        edge, options.levels, 0, format, storagePoolFor(device, format, D3DRTYPE_CUBETEXTURE),
        cube.out());
    for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        const ImageDecoder& image = pictures[face]->image;
        ComRef<IDirect3DSurface8> surface;
        hr = cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, surface.out());
        const RECT rect = pictureRect(image);
        if (SUCCEEDED(hr))
            hr = loadSurfaceFromMemory(surface.get(), nullptr, nullptr, image.bits, image.format,
                                       image.rowPitch, image.palette, &rect, options.filterWord(),
                                       options.colorKey);
    }
    if (SUCCEEDED(hr) && (cube->GetLevelCount() > 1 || options.resizeKernel))
        hr = options.usesChainBuilder() ? chainCubeLevels(device, options, pictures, format, cube.get())
                                        : filterTexture(cube.get(), nullptr, 0, options.mipFilterWord());
    if (SUCCEEDED(hr)) {
        cube->AddRef();
        *out = cube.get();
    }
    return hr;
}

// A cube in a block format keeps its faces' size, as convert keeps a picture's: each face's
// levels are image surfaces of whole blocks, padded with the edge texels, made as convert makes
// them, and the file's header holds the faces' own size.
HRESULT writeBlockCube(IDirect3DDevice8* device, const AssembleOptions& options,
                       const Pictures& pictures, UINT edge, D3DFORMAT format) {
    ChainRequest request = options;
    request.format = format;
    request.pool = storagePoolFor(device, format, D3DRTYPE_TEXTURE);
    request.width = edge;
    request.height = edge;
    std::vector<ComRef<IDirect3DSurface8>> faces;
    UINT levels = 0;
    for (UINT face = 0; face < 6; ++face) {
        ChainLevels made;
        std::string reason;
        const HRESULT hr =
            createChainLevels(device, pictures[face]->image, request, &made, &reason);
        if (FAILED(hr))
            return hr;
        if (made.width != edge || made.height != edge || (face > 0 && made.levels.size() != levels))
            return D3DERR_INVALIDCALL;
        levels = UINT(made.levels.size());
        for (auto& level : made.levels)
            faces.push_back(std::move(level));
    }
    std::vector<IDirect3DSurface8*> surfaces;
    for (const auto& level : faces)
        surfaces.push_back(level.get());
    return writeDdsCubeLevels(surfaces.data(), levels, edge, options.outputPath);
}

// The picture in A8R8G8B8 at width x height through the blit engine (scaled by `filter`, keyed).
HRESULT argbPicture(IDirect3DDevice8* device, const ImageDecoder& image, UINT width, UINT height,
                    ImageFilter filter, D3DCOLOR colorKey, ArgbImage* argb) {
    ComRef<IDirect3DSurface8> surface;
    HRESULT hr = device->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, surface.out());
    const RECT rect = pictureRect(image);
    if (SUCCEEDED(hr))
        hr = loadSurfaceFromMemory(surface.get(), nullptr, nullptr, image.bits, image.format,
                                   image.rowPitch, image.palette, &rect, filter, colorKey);
    return SUCCEEDED(hr) ? readArgbSurface(surface.get(), argb) : hr;
}

// Slice z of a volume level written from an A8R8G8B8 picture of the level's size.
HRESULT writeArgbSlice(IDirect3DVolume8* volume, UINT z, const ArgbImage& slice,
                       ImageFilter filterWord) {
    const D3DBOX to = {0, 0, slice.width, slice.height, z, z + 1};
    const D3DBOX from = {0, 0, slice.width, slice.height, 0, 1};
    return loadVolumeFromMemory(volume, nullptr, &to, slice.texels.data(), D3DFMT_A8R8G8B8,
                                slice.width * 4, slice.width * 4 * slice.height, nullptr, &from,
                                filterWord, 0);
}

// A volume's lower levels from blit's mip chain builder, fed the slices in A8R8G8B8 as the blit
// engine put them into level 0 (or scaled by the --filter kernel, level 0 written again).
HRESULT chainVolumeLevels(IDirect3DDevice8* device, const AssembleOptions& options,
                          const Pictures& pictures, D3DFORMAT format,
                          IDirect3DVolumeTexture8* texture) {
    D3DVOLUME_DESC top = {};
    HRESULT hr = texture->GetLevelDesc(0, &top);
    const MipChainOptions chain = options.chainOptions(format);
    const ImageFilter encoding =
        FilterNone | (options.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) : 0);
    std::vector<ArgbImage> slices(pictures.size());
    ComRef<IDirect3DVolume8> level0;
    if (SUCCEEDED(hr))
        hr = texture->GetVolumeLevel(0, level0.out());
    for (UINT z = 0; z < slices.size() && SUCCEEDED(hr); ++z) {
        const ImageDecoder& image = pictures[z]->image;
        if (options.resizeKernel && (top.Width != image.width || top.Height != image.height)) {
            ArgbImage picture;
            MipChainOptions resizing = chain;
            resizing.kernel = *options.resizeKernel;
            hr = argbPicture(device, image, image.width, image.height, FilterNone, options.colorKey,
                             &picture);
            if (SUCCEEDED(hr) &&
                !resampleImage(picture, top.Width, top.Height, resizing, &slices[z]))
                hr = E_OUTOFMEMORY;
            if (SUCCEEDED(hr))
                hr = writeArgbSlice(level0.get(), z, slices[z], encoding);
        } else {
            hr = argbPicture(device, image, top.Width, top.Height, options.filterWord(),
                             options.colorKey, &slices[z]);
        }
    }
    // 16-bit slices at their own size: the levels from their own values.
    std::vector<WideArgbImage> wide(pictures.size());
    bool wideSlices = true;
    for (UINT z = 0; z < wide.size() && wideSlices; ++z)
        wideSlices =
            wideTexels(pictures[z]->image, options.colorKey, top.Width, top.Height, &wide[z]);
    std::vector<std::vector<ArgbImage>> lower;
    if (SUCCEEDED(hr) &&
        !(wideSlices ? buildVolumeMipChain(wide, texture->GetLevelCount(), chain, &lower)
                     : buildVolumeMipChain(slices, texture->GetLevelCount(), chain, &lower)))
        hr = E_OUTOFMEMORY;
    for (UINT level = 1; level < texture->GetLevelCount() && SUCCEEDED(hr); ++level) {
        ComRef<IDirect3DVolume8> volume;
        hr = level - 1 < lower.size() ? texture->GetVolumeLevel(level, volume.out())
                                      : D3DERR_INVALIDCALL;
        for (UINT z = 0; SUCCEEDED(hr) && z < lower[level - 1].size(); ++z)
            hr = writeArgbSlice(volume.get(), z, lower[level - 1][z], encoding);
    }
    return hr;
}

HRESULT buildVolume(IDirect3DDevice8* device, const AssembleOptions& options,
                    const Pictures& pictures, UINT width, UINT height, D3DFORMAT format,
                    IDirect3DVolumeTexture8** out) {
    const UINT depth = UINT(pictures.size());
    ComRef<IDirect3DVolumeTexture8> texture;
    HRESULT hr = device->CreateVolumeTexture(
        width, height, depth, options.levels, 0, format,
        storagePoolFor(device, format, D3DRTYPE_VOLUMETEXTURE), texture.out());
    ComRef<IDirect3DVolume8> top;
    if (SUCCEEDED(hr))
        hr = texture->GetVolumeLevel(0, top.out());
    for (UINT z = 0; z < depth && SUCCEEDED(hr); ++z) {
        const ImageDecoder& image = pictures[z]->image;
        const D3DBOX slice = {0, 0, width, height, z, z + 1};
        const D3DBOX source = {
            image.box.left, image.box.top, image.box.right, image.box.bottom, 0, 1};
        hr = loadVolumeFromMemory(top.get(), nullptr, &slice, image.bits, image.format,
                                  image.rowPitch, image.rowPitch * image.height, image.palette,
                                  &source, options.filterWord(), options.colorKey);
    }
    if (SUCCEEDED(hr) && (texture->GetLevelCount() > 1 || options.resizeKernel))
        hr = options.usesChainBuilder()
                 ? chainVolumeLevels(device, options, pictures, format, texture.get())
                 : filterTexture(texture.get(), nullptr, 0, options.mipFilterWord());
    if (SUCCEEDED(hr)) {
        texture->AddRef();
        *out = texture.get();
    }
    return hr;
}

// A volume in a block format whose slices are not whole blocks keeps their size, as a cube keeps
// its faces': every level's slices are image surfaces of whole blocks padded with the edge
// texels, under a header with the slices' own size. The device is asked for the volume rounded
// to whole blocks first, so a format it refuses for volumes stays refused, and it gives the
// level count.
HRESULT writeBlockVolume(IDirect3DDevice8* device, const AssembleOptions& options,
                         const Pictures& pictures, UINT width, UINT height, D3DFORMAT format) {
    const UINT depth = UINT(pictures.size());
    ComRef<IDirect3DVolumeTexture8> rounded;
    HRESULT hr = device->CreateVolumeTexture(
        wholeBlocks(width), wholeBlocks(height), depth, options.levels, 0, format,
        storagePoolFor(device, format, D3DRTYPE_VOLUMETEXTURE), rounded.out());
    if (FAILED(hr))
        return hr;
    UINT levels = 1;
    for (UINT w = width, h = height, d = depth; w > 1 || h > 1 || d > 1; ++levels) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        d = std::max(1u, d / 2);
    }
    levels = std::min(levels, UINT(rounded->GetLevelCount()));
    const MipChainOptions chain = options.chainOptions(format);
    const ImageFilter encoding =
        FilterNone | (options.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) : 0);
    std::vector<ArgbImage> slices(depth);
    std::vector<WideArgbImage> wide(depth);
    bool wideSlices = true;
    for (UINT z = 0; z < depth && SUCCEEDED(hr); ++z) {
        const ImageDecoder& image = pictures[z]->image;
        if (options.resizeKernel && (width != image.width || height != image.height)) {
            ArgbImage picture;
            MipChainOptions resizing = chain;
            resizing.kernel = *options.resizeKernel;
            hr = argbPicture(device, image, image.width, image.height, FilterNone,
                             options.colorKey, &picture);
            if (SUCCEEDED(hr) && !resampleImage(picture, width, height, resizing, &slices[z]))
                hr = E_OUTOFMEMORY;
        } else {
            hr = argbPicture(device, image, width, height, options.filterWord(),
                             options.colorKey, &slices[z]);
        }
        wideSlices = wideSlices && wideTexels(image, options.colorKey, width, height, &wide[z]);
    }
    std::vector<std::vector<ArgbImage>> lower;
    if (SUCCEEDED(hr) && levels > 1 &&
        !(wideSlices ? buildVolumeMipChain(wide, levels, chain, &lower)
                     : buildVolumeMipChain(slices, levels, chain, &lower)))
        hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr) && lower.size() + 1 != levels)
        hr = D3DERR_INVALIDCALL;
    std::vector<ComRef<IDirect3DSurface8>> surfaces;
    const auto add = [&](const ArgbImage& slice) {
        ComRef<IDirect3DSurface8> surface;
        if (SUCCEEDED(hr))
            hr = device->CreateImageSurface(wholeBlocks(slice.width), wholeBlocks(slice.height),
                                            format, surface.out());
        if (SUCCEEDED(hr))
            hr = writeArgbLevel(surface.get(), slice, encoding);
        surfaces.push_back(std::move(surface));
    };
    for (const ArgbImage& slice : slices)
        add(slice);
    for (const auto& level : lower)
        for (const ArgbImage& slice : level)
            add(slice);
    if (FAILED(hr))
        return hr;
    std::vector<IDirect3DSurface8*> raw;
    for (const auto& surface : surfaces)
        raw.push_back(surface.get());
    return writeDdsVolumeLevels(raw.data(), levels, width, height, depth, options.outputPath);
}

UINT chosenSize(UINT asked, UINT picture) {
    return asked == 0 || asked == 0xFFFFFFFFu ? picture : asked;
}

} // namespace

int runAssemble(const Invocation&, std::span<const std::string> arguments) {
    AssembleOptions options;
    std::string error;
    switch (parseAssembleOptions(arguments, &options, &error)) {
    case CommandLine::Help:
        printAssembleHelp(stdout);
        return 0;
    case CommandLine::Wrong:
        std::fprintf(stderr, "texkit assemble: %s\n", error.c_str());
        printAssembleUsage(stderr);
        return 2;
    case CommandLine::Run:
        break;
    }
    Pictures pictures;
    if (!checkPictures(options, &pictures, &error)) {
        std::fprintf(stderr, "texkit assemble: %s\n", error.c_str());
        return 1;
    }
    const UINT width = chosenSize(options.width, pictures[0]->image.width);
    const UINT height = chosenSize(options.height, pictures[0]->image.height);
    if (options.cube && width != height) {
        std::fprintf(stderr, "texkit assemble: cube faces are square, not %ux%u\n", width, height);
        return 1;
    }
    if (options.profileGiven)
        platform_ext::setDeviceProfile(options.profile);
    ComRef<IDirect3DDevice8> device;
    HRESULT hr = platform_ext::createHeadlessDevice(64, 64, device.out());
    if (FAILED(hr)) {
        std::fprintf(stderr, "texkit assemble: no Direct3D device (0x%08X)\n", unsigned(hr));
        return 1;
    }
    const D3DFORMAT format = chosenFormat(options, pictures);
    if (options.cube && isBlockCompressed(format) && options.usesChainBuilder()) {
        hr = writeBlockCube(device.get(), options, pictures, width, format);
    } else if (options.cube) {
        // The loader's chain: whole blocks, as a load rounds a picture.
        const UINT edge = isBlockCompressed(format) ? wholeBlocks(width) : width;
        ComRef<IDirect3DCubeTexture8> cube;
        hr = buildCube(device.get(), options, pictures, edge, format, cube.out());
        if (SUCCEEDED(hr))
            hr = writeDdsFile(cube.get(), options.outputPath);
    } else if (isBlockCompressed(format) && options.usesChainBuilder() &&
               (width % 4 != 0 || height % 4 != 0)) {
        hr = writeBlockVolume(device.get(), options, pictures, width, height, format);
    } else {
        // The loader's chain: whole blocks, as a load rounds a picture.
        const bool blocks = isBlockCompressed(format);
        ComRef<IDirect3DVolumeTexture8> volume;
        hr = buildVolume(device.get(), options, pictures, blocks ? wholeBlocks(width) : width,
                         blocks ? wholeBlocks(height) : height, format, volume.out());
        if (SUCCEEDED(hr))
            hr = writeDdsFile(volume.get(), options.outputPath);
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "texkit assemble: cannot make %s: %s\n", options.outputPath.c_str(),
                     loadFailureReason(options.outputPath, hr).c_str());
        return 1;
    }
    return 0;
}
