// The words for a failed load's result code.
#include "tools/texkit/load_failure.h"

#include "texture/image_info.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <system_error>

namespace {

struct ResultMeaning {
    HRESULT code;
    const char* meaning;
};

constexpr ResultMeaning resultMeaningTable[] = {
    {InvalidData, "no decoder accepts this file (InvalidData)"},
    {D3DERR_NOTAVAILABLE, "the device cannot make this texture (NotAvailable)"},
    {D3DERR_INVALIDCALL, "the request is not valid for this file or device (InvalidCall)"},
    {E_OUTOFMEMORY, "out of memory (OutOfMemory)"},
    {E_FAIL, "the picture could not be copied into the texture (E_FAIL)"},
};
static_assert(std::size(resultMeaningTable) == 5);

// The system's reason a file cannot be read, or 0 when it can.
int readError(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return errno != 0 ? errno : EIO;
    errno = 0;
    std::fgetc(file); // a folder opens, but reading it fails
    const int error = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(file);
    return error;
}

} // namespace

std::string openFailureReason(const std::string& path) {
    const int error = readError(path);
    if (error == 0)
        return "cannot be opened";
    return "cannot be opened (" + std::generic_category().message(error) + ")";
}

std::string loadFailureReason(const std::string& path, HRESULT hr) {
    if (hr == InvalidData && readError(path) != 0)
        return openFailureReason(path);
    for (const ResultMeaning& row : resultMeaningTable) {
        if (row.code == hr)
            return row.meaning;
    }
    char text[64];
    std::snprintf(text, sizeof text, "the load failed (0x%08X)", unsigned(hr));
    return text;
}
