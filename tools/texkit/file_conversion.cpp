// Converting one picture file: safety checks, decode, texture, output renamed into place.
#include "tools/texkit/file_conversion.h"

#include "blit/com_ref.h"
#include "texture/texture_loader.h"
#include "tools/texkit/dds_writer.h"
#include "tools/texkit/input_mapping.h"
#include "tools/texkit/level_output.h"
#include "tools/texkit/load_failure.h"

#include <chrono>
#include <cstring>
#include <sys/stat.h>

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
        outcome->reason = "cannot be opened";
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

HRESULT makeTexture(IDirect3DDevice8* device, const ConversionJob& job,
                    const ConvertOptions& options, IDirect3DTexture8** texture,
                    ConversionOutcome* outcome) {
    // The decoded pixels may point into the mapping, so it stays open until the texture is full.
    InputMapping file;
    if (!file.open(job.input)) {
        outcome->reason = "cannot be opened";
        return InvalidData;
    }
    ImageDecoder image;
    image.pixelLimit = options.maxPixels;
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
    hr = createTextureFromImage(device, image, options.width, options.height, options.levels, 0,
                                options.format, D3DPOOL_MANAGED, options.filterWord(),
                                options.mipFilterWord(), options.colorKey, nullptr, texture);
    if (FAILED(hr))
        outcome->reason = loadFailureReason(job.input, hr);
    return hr;
}

void describeTexture(IDirect3DTexture8* texture, ConversionOutcome* outcome) {
    D3DSURFACE_DESC top = {};
    texture->GetLevelDesc(0, &top);
    outcome->width = top.Width;
    outcome->height = top.Height;
    outcome->format = top.Format;
    outcome->levels = texture->GetLevelCount();
}

bool writeOutput(IDirect3DTexture8* texture, const ConversionJob& job,
                 const ConvertOptions& options, OutputFiles* outputs, ConversionOutcome* outcome) {
    std::string error;
    TemporaryOutput temporary;
    if (!outputs->open(job.output, &temporary, &error, &outcome->warning)) {
        outcome->reason = error;
        return false;
    }
    const HRESULT hr = options.png ? writeLevelPng(texture, 0, temporary.stream(), &error)
                                   : writeDdsFile(texture, nullptr, temporary.stream());
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
    ComRef<IDirect3DTexture8> texture;
    if (mayWrite(job, options, inputs, &outcome) &&
        SUCCEEDED(makeTexture(device, job, options, texture.out(), &outcome))) {
        describeTexture(texture.get(), &outcome);
        // A stop asked for while the texture was made ends the job before anything is written.
        if (interruptingSignal() != 0) {
            outcome.result = ConversionOutcome::Interrupted;
            outcome.reason = "interrupted";
        } else if (writeOutput(texture.get(), job, options, outputs, &outcome)) {
            outcome.result = ConversionOutcome::Converted;
        }
    }
    outcome.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}
