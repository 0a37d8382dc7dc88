// Test helper: libjpeg's compressor and decompressor over memory, with errors caught by a jump.
#include "tests/texture/jpeg_maker.h"

#include <csetjmp>
#include <cstdlib>
#include <random>

namespace {

struct JumpingErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr codec) {
    std::longjmp(reinterpret_cast<JumpingErrors*>(codec->err)->jump, 1);
}

void quiet(j_common_ptr) {}

void useJumpingErrors(jpeg_common_struct* codec, JumpingErrors* errors) {
    codec->err = jpeg_std_error(&errors->manager);
    errors->manager.error_exit = jumpBack;
    errors->manager.output_message = quiet;
}

} // namespace

std::vector<uint8_t> makeJpeg(const JpegRecipe& recipe) {
    jpeg_compress_struct compressor = {};
    JumpingErrors errors;
    useJumpingErrors(reinterpret_cast<j_common_ptr>(&compressor), &errors);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> file;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_compress(&compressor);
        jpeg_mem_dest(&compressor, &buffer, &size);
        compressor.image_width = recipe.width;
        compressor.image_height = recipe.height;
        compressor.input_components = recipe.components;
        compressor.in_color_space = recipe.components == 1   ? JCS_GRAYSCALE
                                    : recipe.components == 3 ? JCS_RGB
                                                             : JCS_CMYK;
        jpeg_set_defaults(&compressor);
        jpeg_set_quality(&compressor, recipe.quality, TRUE);
        if (recipe.components == 3) {
            compressor.comp_info[0].h_samp_factor = recipe.lumaH;
            compressor.comp_info[0].v_samp_factor = recipe.lumaV;
        }
        if (recipe.progressive)
            jpeg_simple_progression(&compressor);
        compressor.restart_in_rows = recipe.restartRows;
        jpeg_start_compress(&compressor, TRUE);
        const size_t rowBytes = size_t(recipe.width) * recipe.components;
        while (compressor.next_scanline < compressor.image_height) {
            JSAMPROW row =
                const_cast<JSAMPROW>(&recipe.samples[compressor.next_scanline * rowBytes]);
            jpeg_write_scanlines(&compressor, &row, 1);
        }
        jpeg_finish_compress(&compressor);
        file.assign(buffer, buffer + size);
    }
    jpeg_destroy_compress(&compressor);
    std::free(buffer);
    return file;
}

std::vector<uint8_t> photoLikeSamples(uint32_t width, uint32_t height, int components) {
    std::mt19937 random(width * 31 + height);
    std::vector<uint8_t> samples;
    samples.reserve(size_t(width) * height * components);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool inDisc =
                (x - width / 2.0) * (x - width / 2.0) + (y - height / 2.0) * (y - height / 2.0) <
                width * height / 8.0;
            for (int c = 0; c < components; ++c) {
                const int base = inDisc ? 220 - 60 * c : int((x * 5 + y * 3 + 70 * c) % 200);
                samples.push_back(uint8_t(base + random() % 24));
            }
        }
    }
    return samples;
}

LibjpegPicture decodeWithLibjpeg(const std::vector<uint8_t>& file, J_DCT_METHOD method) {
    jpeg_decompress_struct decompressor = {};
    JumpingErrors errors;
    useJumpingErrors(reinterpret_cast<j_common_ptr>(&decompressor), &errors);
    LibjpegPicture picture;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&decompressor);
        jpeg_mem_src(&decompressor, file.data(), file.size());
        jpeg_read_header(&decompressor, TRUE);
        decompressor.dct_method = method;
        jpeg_start_decompress(&decompressor);
        picture.width = decompressor.output_width;
        picture.height = decompressor.output_height;
        picture.components = decompressor.output_components;
        const size_t rowBytes = size_t(picture.width) * picture.components;
        picture.samples.resize(rowBytes * picture.height);
        while (decompressor.output_scanline < decompressor.output_height) {
            JSAMPROW row = &picture.samples[decompressor.output_scanline * rowBytes];
            jpeg_read_scanlines(&decompressor, &row, 1);
        }
        jpeg_finish_decompress(&decompressor);
        picture.decoded = true;
    }
    jpeg_destroy_decompress(&decompressor);
    return picture;
}

std::vector<uint8_t> asDecodedPixels(const LibjpegPicture& picture) {
    if (picture.components != 3)
        return picture.samples;
    std::vector<uint8_t> pixels;
    pixels.reserve(picture.samples.size() / 3 * 4);
    for (size_t i = 0; i + 2 < picture.samples.size(); i += 3)
        pixels.insert(pixels.end(),
                      {picture.samples[i + 2], picture.samples[i + 1], picture.samples[i], 0});
    return pixels;
}
