// Test helper: texinfo run as a program in a fresh folder, with its status, standard output
// and standard error, and the small picture most of its tests load.
#pragma once

#include "tests/platform/win32/temp_folder.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/program_run.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>

class Texinfo : public InTempFolder {
protected:
    ProgramRun run(const std::string& arguments) {
        return runCommand(std::string(TEXINFO_PROGRAM) + " " + arguments);
    }

    // 6 x 4 pixels in 2 x 2 blocks: red, magenta, blue on top, green, white, black below.
    void writePicture() {
        static const uint32_t blocks[2][3] = {{0xFF0000, 0xFF00FF, 0x0000FF},
                                              {0x00FF00, 0xFFFFFF, 0x000000}};
        PngRecipe r;
        r.width = 6;
        r.height = 4;
        r.colorType = PNG_COLOR_TYPE_RGB;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                const uint32_t rgb = blocks[y / 2][x / 2];
                r.rows.insert(r.rows.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
            }
        }
        const std::vector<uint8_t> file = makePng(r);
        writeHostFile("picture.png", std::string(file.begin(), file.end()));
    }
};
