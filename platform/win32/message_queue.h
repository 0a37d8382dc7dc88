// The thread's message queue, as the rest of the layer feeds it.
#pragma once

#include "windows.h"

namespace win32 {

// Appends a posted message; false (ERROR_NOT_ENOUGH_QUOTA set) when the queue is full.
bool postToQueue(const MSG& message);

// Drops every queued message of a window that is being destroyed.
void purgeWindowMessages(HWND window);

} // namespace win32
