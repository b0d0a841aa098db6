#include "top_windows.h"

#include <windows.h>

namespace {
int openWindows = 0;
bool quitWhenNone = false;
} // namespace

void QuitWhenLastWindowCloses(bool quit) {
    quitWhenNone = quit;
}

int OpenTopWindows() {
    return openWindows;
}

void TopWindowLease::Take() {
    if (held_)
        return;
    held_ = true;
    ++openWindows;
}

void TopWindowLease::Release() {
    if (!held_)
        return;
    held_ = false;
    if (--openWindows == 0 && quitWhenNone)
        PostQuitMessage(0);
}
