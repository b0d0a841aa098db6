#pragma once
#include <windows.h>
#include <psapi.h>

#include <cstddef>

// The kernel handles this process holds, counted from the system's handle
// table: under Wine GetProcessHandleCount reads 0.
size_t CountKernelHandles();

// This process's memory figures (under Wine PrivateUsage reads 0; PagefileUsage
// is the memory committed to the process alone, there and on Windows).
PROCESS_MEMORY_COUNTERS ProcessMemory();
