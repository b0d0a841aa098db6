#pragma once
#include <windows.h>

#include <functional>

// Dispatches this thread's messages until `done` is true or the time is up.
// True when `done` became true.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Dispatches whatever is waiting, for about `ms` milliseconds.
void PumpFor(DWORD ms);
