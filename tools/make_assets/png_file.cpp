// PNG output of the asset generator, through the tools' PNG writer.
#include "tools/make_assets/png_file.h"

#include "tools/png_writer.h"

#include <cstdio>
#include <vector>

namespace assets {

bool writeCanvasPng(const std::string& path, const Canvas& canvas) {
    const std::vector<uint8_t> rgb = canvas.toRgb8();
    std::string error;
    if (tools::writeRgbPng(path, rgb.data(), unsigned(canvas.width()), unsigned(canvas.height()),
                           &error))
        return true;
    std::fprintf(stderr, "make_assets: %s\n", error.c_str());
    return false;
}

} // namespace assets
