// The file behind a load's mapping: one per thread at a time, with where its file pointer
// stands so that reads in file order need no seek.
#include "texture/load_file_reads.h"


namespace {

struct FileReads {
    HANDLE file = INVALID_HANDLE_VALUE;
    const uint8_t* view = nullptr;
    UINT size = 0;
    uint64_t position = ~uint64_t(0);
};

thread_local FileReads* fileReads = nullptr;

} // namespace

LoadFromFileScope::LoadFromFileScope(HANDLE file, const uint8_t* view, UINT size)
    : outer_(fileReads) {
    static thread_local FileReads scopes[2];
    FileReads* reads = fileReads == &scopes[0] ? &scopes[1] : &scopes[0];
    *reads = FileReads{file, view, size};
    fileReads = reads;
}

LoadFromFileScope::~LoadFromFileScope() {
    fileReads = static_cast<FileReads*>(outer_);
}

bool readFromLoadFile(const uint8_t* from, size_t bytes, uint8_t* to) {
    FileReads* reads = fileReads;
    if (reads == nullptr || from < reads->view || bytes > reads->size ||
        size_t(from - reads->view) > reads->size - bytes || bytes > 0xFFFFFFFFu)
        return false;
    const uint64_t offset = uint64_t(from - reads->view);
    if (reads->position != offset) {
        LONG high = LONG(offset >> 32);
        if (SetFilePointer(reads->file, LONG(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
                INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR) {
            reads->position = ~uint64_t(0);
            return false;
        }
    }
    DWORD got = 0;
    const bool read = ReadFile(reads->file, to, DWORD(bytes), &got, nullptr) && got == bytes;
    reads->position = read ? offset + bytes : ~uint64_t(0);
    return read;
}
