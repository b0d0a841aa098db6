#pragma once

// The program ends when its last top-level window is gone: the main window
// may close while a notice is still up, and the notice then ends it. GUI
// thread only.
void QuitWhenLastWindowCloses(bool quit);
// Top-level windows counted open now.
int OpenTopWindows();

// A window's place in that count: taken when the window is made, given back
// when it is gone. A window that failed to be made never took one, so giving
// back what was never taken changes nothing and cannot end the program.
class TopWindowLease {
  public:
    TopWindowLease() = default;
    ~TopWindowLease() { Release(); }
    TopWindowLease(const TopWindowLease&) = delete;
    TopWindowLease& operator=(const TopWindowLease&) = delete;

    void Take();
    void Release();

  private:
    bool held_ = false;
};
