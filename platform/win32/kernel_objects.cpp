// The kernel's handle table and CloseHandle.
//
// Implements: CloseHandle for the handles of CreateFileA and CreateFileMappingA.
// Does not: other kernel objects (events, threads, processes); their handles are never made.
#include "win32/kernel_objects.h"

namespace win32 {

HandleTable<KernelObject>& kernelObjects() {
    static HandleTable<KernelObject> table(0x1);
    return table;
}

HANDLE insertKernelObject(std::unique_ptr<KernelObject> object) {
    const uintptr_t handle = kernelObjects().insert(std::move(object));
    if (handle == 0)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace win32

BOOL CloseHandle(HANDLE hObject) {
    std::unique_ptr<win32::KernelObject> object = win32::kernelObjects().remove(hObject);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
