#include "tool_driver.h"

#include "com_scope.h"
#include "gdi_handles.h"

#include <commctrl.h>
#include <wincodec.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

struct WindowSearch {
    DWORD process;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND hwnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[128] = {};
    GetClassNameW(hwnd, cls, 128);
    if (owner == search.process && IsWindowVisible(hwnd) && wcscmp(cls, search.windowClass) == 0) {
        search.found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void SendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

} // namespace

ToolProcess::ToolProcess(const std::wstring& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &info)) {
        process_.reset(info.hProcess);
        KernelHandle thread(info.hThread); // not needed
        id_ = info.dwProcessId;
    }
}

ToolProcess::~ToolProcess() {
    if (Running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool ToolProcess::Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

HWND ToolProcess::WaitForWindow(const wchar_t* windowClass, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        WindowSearch search{id_, windowClass, nullptr};
        EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount64() >= deadline)
            return search.found;
        Sleep(20);
    }
}

bool ToolProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(process_.get(), exitCode);
    return true;
}

// The list view's texts live in the tool's memory: the item and its text
// buffer are placed there, the list fills them, and they are read back.
std::vector<std::vector<std::wstring>> ToolProcess::ReadRows(HWND listView, int columns) const {
    constexpr int kTextChars = 1024;
    std::vector<std::vector<std::wstring>> rows;
    const HANDLE process = process_.get();
    const size_t bytes = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return rows;
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    const int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> texts;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = remoteText;
            item.cchTextMax = kTextChars;
            WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
            const LRESULT length = SendMessageW(listView, LVM_GETITEMTEXTW, row,
                                                reinterpret_cast<LPARAM>(remote));
            std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)), L'\0');
            ReadProcessMemory(process, remoteText, text.data(), text.size() * sizeof(wchar_t),
                              nullptr);
            texts.push_back(std::move(text));
        }
        rows.push_back(std::move(texts));
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return rows;
}

RECT ToolProcess::RowRect(HWND listView, int row) const {
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof(rect), MEM_COMMIT, PAGE_READWRITE);
    if (!remote)
        return {};
    WriteProcessMemory(process_.get(), remote, &rect, sizeof(rect), nullptr);
    SendMessageW(listView, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process_.get(), remote, &rect, sizeof(rect), nullptr);
    VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
    MapWindowPoints(listView, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND FindChild(HWND parent, const wchar_t* windowClass, const wchar_t* caption) {
    for (HWND child = FindWindowExW(parent, nullptr, windowClass, nullptr); child;
         child = FindWindowExW(parent, child, windowClass, nullptr))
        if (!caption || ReadText(child) == caption)
            return child;
    return nullptr;
}

std::wstring ReadText(HWND hwnd) {
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

POINT ScreenPoint(HWND hwnd, POINT client) {
    ClientToScreen(hwnd, &client);
    return client;
}

void MoveMouseTo(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    SendMouse(MOUSEEVENTF_MOVE); // a move of 0: the window under the cursor hears of it
    Sleep(30);
}

void ClickAt(POINT screen, MouseButton button, int clicks) {
    MoveMouseTo(screen);
    const DWORD down = button == MouseButton::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
    const DWORD up = button == MouseButton::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
    for (int i = 0; i < clicks; ++i) {
        SendMouse(down);
        SendMouse(up);
    }
    Sleep(50);
}

void PressKey(WORD virtualKey) {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(50);
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; !done(); Sleep(30))
        if (GetTickCount64() >= deadline)
            return false;
    return true;
}

COLORREF ScreenPixel(POINT screen) {
    const WindowDC dc(nullptr, false);
    return GetPixel(dc.get(), screen.x, screen.y);
}

std::vector<DWORD> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const WindowDC screen(nullptr, false);
    UniqueHdc memory(CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    const UniqueBitmap bitmap = CreateTopDownDib(width, height, &bits);
    if (!memory || !bitmap)
        return {};
    {
        const SelectGuard use(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top,
               SRCCOPY | CAPTUREBLT);
    }
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> out(pixels, pixels + width * height);
    for (DWORD& pixel : out)
        pixel |= 0xFF000000; // opaque
    return out;
}

bool SaveScreenPng(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<DWORD> pixels = ScreenPixels(area);
    if (pixels.empty())
        return false;

    const ComScope com(COINIT_MULTITHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&factory))) &&
           SUCCEEDED(factory->CreateStream(&stream)) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width) * 4,
                                        static_cast<UINT>(width * height * 4),
                                        reinterpret_cast<BYTE*>(pixels.data()))) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

namespace {
constexpr wchar_t kDesktop[] = L"Control Panel\\Desktop";
} // namespace

DWORD StartingDpi() {
    DWORD value = 0, size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value,
                 &size);
    return value;
}

void SetStartingDpi(DWORD dpi) {
    if (dpi)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
}
