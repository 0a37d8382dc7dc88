// Converting one picture file: safety checks, decode, texture, output renamed into place.
#include "tools/texkit/file_conversion.h"

#include "blit/blit_workers.h"
#include "blit/com_ref.h"
#include "blit/pixel_format.h"
#include "texture/texture_loader.h"
#include "tools/texkit/chain_texture.h"
#include "tools/texkit/dds_writer.h"
#include "tools/texkit/format_names.h"
#include "tools/texkit/input_mapping.h"
#include "tools/texkit/level_output.h"
#include "tools/texkit/load_failure.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace {

std::pair<uint64_t, uint64_t> identityOf(const struct stat& info) {
    return {uint64_t(info.st_dev), uint64_t(info.st_ino)};
}

bool newerOrSame(const struct stat& a, const struct stat& b) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec)
        return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec >= b.st_mtim.tv_nsec;
}

// Whether the job may go on to write its output; the outcome says why not.
bool mayWrite(const ConversionJob& job, const ConvertOptions& options,
              const InputIdentities& inputs, ConversionOutcome* outcome) {
    struct stat input, output;
    if (::stat(job.input.c_str(), &input) != 0) {
        outcome->reason = openFailureReason(job.input);
        return false;
    }
    if (::stat(job.output.c_str(), &output) != 0)
        return true;
    if (inputs.count(identityOf(output)) != 0) {
        outcome->reason = job.output + " is an input of this run; it is not written over";
        return false;
    }
    if (options.update && newerOrSame(output, input)) {
        outcome->result = ConversionOutcome::Skipped;
        outcome->reason = "up to date";
        return false;
    }
    if (!options.force && !options.update) {
        outcome->reason = job.output + " exists (--force replaces it)";
        return false;
    }
    return true;
}

// A block format the device does not sample is made in the scratch pool (storagePoolFor).
D3DPOOL poolFor(IDirect3DDevice8* device, D3DFORMAT requested, PixelFormat imageFormat) {
    const PixelFormat wanted = requested != D3DFMT_UNKNOWN ? requested : imageFormat;
    return storagePoolFor(device, D3DFORMAT(wanted), D3DRTYPE_TEXTURE);
}

// Runs `work` on this thread while another worker, when one is free, unfilters the picture's
// pending rows ahead of the blits that read them (which make what they need themselves when
// they get there first). The work uses this thread's device, so it never runs elsewhere.
HRESULT withRowsMadeAhead(const ImageDecoder& image, const std::function<HRESULT()>& work) {
    BlitWorkers* workers = blitWorkers();
    if (workers == nullptr || image.pendingRows == nullptr)
        return work();
    struct Shared {
        std::thread::id owner;
        const std::function<HRESULT()>* work;
        PendingRows* rows;
        std::atomic<bool> started{false};
        HRESULT result = E_FAIL;
    } shared = {std::this_thread::get_id(), &work, image.pendingRows.get()};
    workers->run(
        2,
        [](void* context, uint32_t) {
            Shared& s = *static_cast<Shared*>(context);
            if (std::this_thread::get_id() == s.owner && !s.started.exchange(true))
                s.result = (*s.work)();
            else
                s.rows->makeAll();
        },
        &shared);
    if (!shared.started.exchange(true))
        shared.result = work();
    return shared.result;
}

// The loader's texture, or the chain builder's levels.
struct MadeTexture {
    ComRef<IDirect3DTexture8> texture;
    ChainLevels chain;
    bool chained = false;
};

HRESULT makeTexture(IDirect3DDevice8* device, const ConversionJob& job,
                    const ConvertOptions& options, MadeTexture* made,
                    ConversionOutcome* outcome) {
    // The decoded pixels may point into the mapping, so it stays open until the texture is full.
    InputMapping file;
    if (!file.open(job.input)) {
        outcome->reason = openFailureReason(job.input);
        return InvalidData;
    }
    ImageDecoder image;
    image.pixelLimit = options.maxPixels;
    image.pendRows = true;
    ImageInfo info = {};
    HRESULT hr = image.load(file.view, file.size, &info);
    if (FAILED(hr)) {
        if (image.declaredWidth != 0)
            outcome->reason = "declares " + std::to_string(image.declaredWidth) + " x " +
                              std::to_string(image.declaredHeight) +
                              (image.declaredDepth > 1 ? " x " + std::to_string(image.declaredDepth)
                                                       : std::string()) +
                              " pixels, more than --max-pixels " +
                              std::to_string(options.maxPixels);
        else
            outcome->reason = loadFailureReason(job.input, hr);
        return hr;
    }
    outcome->pictureWidth = info.width;
    outcome->pictureHeight = info.height;
    std::string why;
    ChainRequest request = options;
    request.pool = poolFor(device, options.format, image.format);
    // A picture that brings its own levels keeps them, as a load keeps them.
    made->chained = options.usesChainBuilder() && image.levelCount() <= 1;
    hr = withRowsMadeAhead(image, [&] {
        if (made->chained)
            return createChainLevels(device, image, request, &made->chain, &why);
        if (image.levelCount() > 1) {
            const HRESULT stored = createStoredLevels(device, image, request, &made->chain);
            made->chained = stored != S_FALSE;
            if (made->chained)
                return stored;
        }
        return createTextureFromImage(device, image, options.width, options.height,
                                      options.levels, 0, options.format, request.pool,
                                      options.filterWord(), options.mipFilterWord(),
                                      options.colorKey, nullptr, made->texture.out());
    });
    if (FAILED(hr))
        outcome->reason = why.empty() ? loadFailureReason(job.input, hr) : why;
    return hr;
}

void describeTexture(const MadeTexture& made, ConversionOutcome* outcome) {
    if (made.chained) {
        outcome->width = made.chain.width;
        outcome->height = made.chain.height;
        outcome->format = made.chain.format;
        outcome->levels = UINT(made.chain.levels.size());
        return;
    }
    IDirect3DTexture8* texture = made.texture.get();
    D3DSURFACE_DESC top = {};
    texture->GetLevelDesc(0, &top);
    outcome->width = top.Width;
    outcome->height = top.Height;
    outcome->format = top.Format;
    outcome->levels = texture->GetLevelCount();
}

HRESULT writeMade(const MadeTexture& made, const ConvertOptions& options, FILE* file,
                  std::string* error) {
    const DdsHeaderKind kind = options.dds10 ? DdsHeaderKind::Dx10 : DdsHeaderKind::Legacy;
    if (!made.chained)
        return options.png ? writeLevelPng(made.texture.get(), 0, file, error)
                           : writeDdsFile(made.texture.get(), nullptr, file, kind);
    const ChainLevels& chain = made.chain;
    if (options.png)
        return writeSurfacePng(chain.levels[0].get(), chain.width, chain.height, file, error);
    std::vector<IDirect3DSurface8*> levels;
    for (const auto& level : chain.levels)
        levels.push_back(level.get());
    return writeDdsLevels(levels.data(), UINT(levels.size()), chain.width, chain.height, file,
                          kind);
}

bool writeOutput(const MadeTexture& made, const ConversionJob& job,
                 const ConvertOptions& options, OutputFiles* outputs, ConversionOutcome* outcome) {
    std::string error;
    TemporaryOutput temporary;
    if (!outputs->open(job.output, &temporary, &error, &outcome->warning)) {
        outcome->reason = error;
        return false;
    }
    const HRESULT hr = writeMade(made, options, temporary.stream(), &error);
    if (FAILED(hr)) {
        // The descriptor's own failure says more than the writer's.
        if (temporary.writeError() != 0)
            error = std::strerror(temporary.writeError());
        outputs->discard(&temporary);
        outcome->reason = "cannot write " + job.output + (error.empty() ? "" : " (" + error + ")");
        return false;
    }
    if (!outputs->commit(&temporary, job.output, &outcome->reason))
        return false;
    struct stat written;
    if (::stat(job.output.c_str(), &written) == 0)
        outcome->bytesWritten = uint64_t(written.st_size);
    return true;
}

void addWarning(const std::string& note, ConversionOutcome* outcome) {
    outcome->warning = outcome->warning.empty() ? note : outcome->warning + "; " + note;
}

// A size the device changed from the one asked (or, without --width and --height, the
// picture's) is said, so that no texture comes out smaller (or padded) unseen.
void noteResize(IDirect3DDevice8* device, const ConvertOptions& options,
                ConversionOutcome* outcome) {
    const auto pictures = [](UINT side) { return side == 0 || side == 0xFFFFFFFFu; };
    const bool asked = !pictures(options.width) || !pictures(options.height);
    const uint64_t width = pictures(options.width) ? outcome->pictureWidth : options.width;
    const uint64_t height = pictures(options.height) ? outcome->pictureHeight : options.height;
    if (outcome->width == width && outcome->height == height)
        return;
    D3DCAPS8 caps = {};
    device->GetDeviceCaps(&caps);
    const bool tooLarge = width > caps.MaxTextureWidth || height > caps.MaxTextureHeight;
    const std::string note =
        "made " + std::to_string(outcome->width) + " x " + std::to_string(outcome->height) +
        (asked ? ", not the asked " : ", not the picture's ") + std::to_string(width) + " x " +
        std::to_string(height) +
        (tooLarge ? ": the device's largest texture" : ": as the device requires");
    addWarning(note, outcome);
}

// So is a format asked for that the device does not offer (R8G8B8, P8, a code it does not know):
// the texture is made in the nearest one it has.
void noteFormatChange(const ConvertOptions& options, ConversionOutcome* outcome) {
    if (options.png || options.format == D3DFMT_UNKNOWN || outcome->format == options.format)
        return;
    addWarning("made " + formatName(outcome->format) + ", not the asked " +
                   formatName(options.format) + ": the nearest format the device offers",
               outcome);
}

} // namespace

InputIdentities identitiesOf(const std::vector<ConversionJob>& jobs) {
    InputIdentities identities;
    for (const ConversionJob& job : jobs) {
        struct stat info;
        if (::stat(job.input.c_str(), &info) == 0)
            identities.insert(identityOf(info));
    }
    return identities;
}

ConversionOutcome convertFile(IDirect3DDevice8* device, const ConversionJob& job,
                              const ConvertOptions& options, const InputIdentities& inputs,
                              OutputFiles* outputs) {
    const auto start = std::chrono::steady_clock::now();
    ConversionOutcome outcome;
    MadeTexture made;
    if (mayWrite(job, options, inputs, &outcome) &&
        SUCCEEDED(makeTexture(device, job, options, &made, &outcome))) {
        describeTexture(made, &outcome);
        // A stop asked for while the texture was made ends the job before anything is written.
        if (interruptingSignal() != 0) {
            outcome.result = ConversionOutcome::Interrupted;
            outcome.reason = "interrupted";
        } else if (writeOutput(made, job, options, outputs, &outcome)) {
            outcome.result = ConversionOutcome::Converted;
            noteResize(device, options, &outcome);
            noteFormatChange(options, &outcome);
        }
    }
    outcome.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}
