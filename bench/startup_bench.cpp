// Start-up of the tool against Wine's own notepad, measured the same way in the
// same run: from the process start to its first painted frame (its window is
// shown and its message queue has gone idle, which it does only once the
// first WM_PAINT is handled), at 96 dpi and at 192 (the prefix's LogPixels,
// read by each new process, put back afterwards); then the tool's working set
// after start, the size of its program file and a full repaint of the main
// window at both scales. startup_bench [runs [other.exe]]: with another build
// of the tool (the one before a change, say), that one is started in each run
// as well, between the two, and its figures are printed beside the tool's.
#include "form1.h"
#include "message_pump.h"
#include "tool_driver.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct Start {
    double ms;
    double workingSetMb;
};

Start Measure(const std::wstring& exe, const wchar_t* windowClass) {
    const auto begin = std::chrono::steady_clock::now();
    ToolProcess process(exe);
    const HWND window = process.WaitForWindow(windowClass, 30000);
    KernelHandle handle(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE,
                                    FALSE, process.id()));
    WaitForInputIdle(handle.get(), 30000);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    Sleep(500); // settled
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(handle.get(), &counters, sizeof(counters));
    if (!window)
        std::fprintf(stderr, "%ls: no window\n", exe.c_str());
    PostMessageW(window, WM_CLOSE, 0, 0);
    process.WaitForExit(10000);
    return {ms, static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0)};
}

// The value a `share` of the values are at or below (0.5: the median).
double Quantile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5)];
}

double Median(const std::vector<double>& values) {
    return Quantile(values, 0.5);
}

// Microseconds for one full repaint of a main window laid out at `dpi`.
double RepaintMicros(UINT dpi) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Form1 form(L"http://127.0.0.1:9");
    form.SetStartDpi(dpi);
    if (!form.Create())
        return 0;
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    const auto repaint = [&] {
        RedrawWindow(form.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
    };
    const auto first = std::chrono::steady_clock::now();
    repaint(); // the pictures' first drawing, cached from then on
    std::printf("first paint at %u dpi: %.1f ms\n", dpi,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first)
                    .count());
    // The repaints below are the ones a user's window has: with its
    // background keyed out, which it is shortly after the first frame.
    PumpUntil([&] { return (GetWindowLongPtrW(form.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0; },
              2000);
    constexpr int kRounds = 50;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        repaint();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin)
               .count() /
           kRounds;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Starts under Wine vary by a tenth from one to the next: enough of them
    // that the median holds still.
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 11;
    const std::wstring tool = QZM_TOOL_EXE;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring notepad = std::wstring(system) + L"\\notepad.exe";
    const std::wstring other = argc > 2 ? argv[2] : L"";

    // Each program once, so none pays for its first load in the runs.
    for (const std::wstring& program : {tool, other})
        if (!program.empty())
            Measure(program, L"ThunderRT6FormDC");
    Measure(notepad, L"Notepad");
    std::vector<double> workingSets;
    const DWORD prefixDpi = StartingDpi();
    for (const DWORD dpi : {96u, 192u}) {
        SetStartingDpi(dpi);
        std::vector<double> toolMs, notepadMs, otherMs;
        std::printf("at %lu dpi\n%-4s %12s %12s %8s %14s %16s\n", dpi, "run", "tool", "notepad",
                    "ratio", "tool memory", "notepad memory");
        for (int run = 1; run <= runs; ++run) {
            const Start t = Measure(tool, L"ThunderRT6FormDC");
            if (!other.empty())
                otherMs.push_back(Measure(other, L"ThunderRT6FormDC").ms);
            const Start n = Measure(notepad, L"Notepad");
            std::printf("%-4d %10.1fms %10.1fms %8.2f %11.1f MB %13.1f MB\n", run, t.ms, n.ms,
                        t.ms / n.ms, t.workingSetMb, n.workingSetMb);
            toolMs.push_back(t.ms);
            notepadMs.push_back(n.ms);
            if (dpi == 96)
                workingSets.push_back(t.workingSetMb);
        }
        std::printf("median at %lu dpi: tool %.1f ms, notepad %.1f ms, ratio %.2f (target <= 1.2)\n",
                    dpi, Median(toolMs), Median(notepadMs), Median(toolMs) / Median(notepadMs));
        std::printf("  quartiles: tool %.1f .. %.1f ms, notepad %.1f .. %.1f ms\n",
                    Quantile(toolMs, 0.25), Quantile(toolMs, 0.75), Quantile(notepadMs, 0.25),
                    Quantile(notepadMs, 0.75));
        if (!otherMs.empty())
            std::printf("  the other build: %.1f ms (%.1f .. %.1f), ratio %.2f\n", Median(otherMs),
                        Quantile(otherMs, 0.25), Quantile(otherMs, 0.75),
                        Median(otherMs) / Median(notepadMs));
    }
    SetStartingDpi(prefixDpi);
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW(tool.c_str(), GetFileExInfoStandard, &file);
    std::printf("working set after start: %.1f MB (target <= 20 MB)\n", Median(workingSets));
    std::printf("program file: %.2f MB (target <= 2 MB)\n",
                static_cast<double>(file.nFileSizeLow) / (1024.0 * 1024.0));
    const double at96 = RepaintMicros(96), at192 = RepaintMicros(192);
    std::printf("full repaint of the main window: %.0f us at 96 dpi, %.0f us at 192 dpi\n", at96,
                at192);
    return 0;
}
