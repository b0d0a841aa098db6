#pragma once
#include <windows.h>

// The window procedure of the tool's own windows: the object handed to
// CreateWindowExW arrives with WM_NCCREATE, is kept in GWLP_USERDATA and gets
// every later message through its HandleMessage. A form befriends this and
// has an `HWND hwnd_`, set before any other message reaches it.
template <typename Form>
LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form* form = nullptr;
    if (msg == WM_NCCREATE) {
        form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    } else {
        form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!form)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    // No exception may cross into the system's code that called us: a handler
    // that throws has done nothing more, and the message gets its default.
    try {
        return form->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        if (msg == WM_NCCREATE)
            return FALSE;
        if (msg == WM_CREATE)
            return -1;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Registers a form's window class once per process; 0 if the system refused.
template <typename Form> ATOM RegisterFormClass(const wchar_t* name, UINT style) {
    static const ATOM atom = [&] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = style;
        wc.lpfnWndProc = &FormWindowProc<Form>;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = name;
        return RegisterClassExW(&wc);
    }();
    return atom;
}
