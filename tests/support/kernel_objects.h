#pragma once
#include <cstddef>

// The kernel handles this process holds, counted from the system's handle
// table: under Wine GetProcessHandleCount reads 0.
size_t CountKernelHandles();
