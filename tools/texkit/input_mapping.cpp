// Mapping an input file by its host name.
#include "tools/texkit/input_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

InputMapping::~InputMapping() {
    if (mapped_ != nullptr)
        ::munmap(mapped_, mappedBytes_);
}

bool InputMapping::open(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info;
    bool opened = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                  uint64_t(info.st_size) <= UINT32_MAX;
    if (opened && info.st_size == 0) {
        static const uint8_t nothing = 0;
        view = &nothing;
    } else if (opened) {
        void* mapped = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, descriptor, 0);
        opened = mapped != MAP_FAILED;
        if (opened) {
            mapped_ = mapped;
            mappedBytes_ = size_t(info.st_size);
            view = static_cast<const uint8_t*>(mapped);
            size = uint32_t(info.st_size);
        }
    }
    ::close(descriptor);
    return opened;
}
