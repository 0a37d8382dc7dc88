// The calling thread's last error number (GetLastError, SetLastError).
//
// Implements: GetLastError, SetLastError. Every failing call of the layer sets a Windows error
// number here; successful calls leave it alone unless the platform documents otherwise.
#include "windows.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}
