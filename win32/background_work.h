#pragma once
#include <windows.h>

#include <functional>

// Work off the GUI thread. A worker owns everything it uses, so the window that
// started it never waits for it: closing the window lets go of the worker, which
// finishes its current stage, finds nobody to report to and ends. The process
// waits for the workers still running before it ends, so none is cut off in the
// middle of a parse or a decode.

// Runs `work` on a thread of its own. Throws std::system_error when the system
// gives no thread (and std::bad_alloc without memory); nothing runs then.
void RunDetached(std::function<void()> work);

// The same for work the process does not wait for at its end (a transfer that
// has been let go of ends at its next step, or with the process).
void StartThread(std::function<void()> work);

// Waits up to `timeoutMs` for every worker of RunDetached to end; true if they have.
bool WaitForDetachedWorkers(DWORD timeoutMs);

// Posts a report to a window and makes sure it arrives: a full message queue
// refuses a post, so it is tried again while the window exists. False only when
// the window is gone (the report has nobody to go to). `post` is PostMessageW
// except in tests.
using PostFn = BOOL (*)(HWND, UINT, WPARAM, LPARAM);
bool PostReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                PostFn post = PostMessageW);
