#pragma once

// The program ends when its last top-level window is gone: the main window
// may close while a notice is still up, and the notice then ends it.
// All three are called on the GUI thread.
void TopWindowOpened();
void TopWindowClosed();
void QuitWhenLastWindowCloses(bool quit);
