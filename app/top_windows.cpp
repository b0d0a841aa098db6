#include "top_windows.h"

#include <windows.h>

namespace {
int openWindows = 0;
bool quitWhenNone = false;
} // namespace

void TopWindowOpened() {
    ++openWindows;
}

void TopWindowClosed() {
    if (--openWindows == 0 && quitWhenNone)
        PostQuitMessage(0);
}

void QuitWhenLastWindowCloses(bool quit) {
    quitWhenNone = quit;
}
