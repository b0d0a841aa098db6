// Times one music-list query of 10,000 songs (about 2 MB of GB2312 XML) served
// from loopback, through the real window, and prints where the time went and
// how much the working set grew.
#include "answers.h"
#include "form1.h"
#include "loopback_server.h"
#include "message_pump.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

double Mb(size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

// query_bench [runs] [cold]: "cold" measures the first query of the process,
// loading of the HTTP and XML libraries included; otherwise a 10-song query
// warms them up before the baseline is taken.
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const bool cold = argc > 2 && std::strcmp(argv[2], "cold") == 0;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    LoopbackServer server;
    LoopbackResponse answer;
    answer.body = MakeAnswer(MakeSongs(10000), "GB2312", 936);
    const size_t bodySize = answer.body.size();
    constexpr char kPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";
    LoopbackResponse small;
    small.body = MakeAnswer(MakeSongs(10), "GB2312", 936);
    server.Serve(kPath, small);

    Form1 form(server.BaseAddress());
    form.SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    if (!form.Create()) {
        std::fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    PumpFor(200);
    SetWindowTextW(form.QQ(), L"123456789");
    if (!cold) {
        form.Command1_Click();
        PumpUntil([&] { return !form.QueryRunning(); }, 30000);
    }
    server.Serve(kPath, std::move(answer));

    const size_t baseline = Memory().WorkingSetSize;
    std::printf("answer: %zu songs, %.2f MB GB2312\n", static_cast<size_t>(10000), Mb(bodySize));
    std::printf("%-4s %9s %9s %9s %9s %9s %9s\n", "run", "fetch", "decode", "parse", "lists",
                "table", "total");
    std::vector<double> totals;
    for (int run = 1; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        form.Command1_Click();
        if (!PumpUntil([&] { return !form.QueryRunning(); }, 30000)) {
            std::fprintf(stderr, "the query did not finish\n");
            return 1;
        }
        const double total =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (ListView_GetItemCount(form.ListView1()) != 10000) {
            std::fprintf(stderr, "the table has %d rows\n",
                         ListView_GetItemCount(form.ListView1()));
            return 1;
        }
        UpdateWindow(form.hwnd());
        const QueryTimings& t = form.LastQueryTimings();
        std::printf("%-4d %7.1fms %7.1fms %7.1fms %7.1fms %7.1fms %7.1fms\n", run, t.fetch,
                    t.decode, t.parse, t.fillLists, t.fillTable, total);
        totals.push_back(total);
    }
    std::sort(totals.begin(), totals.end());
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::printf(
        "median total %.1f ms; working set %.1f MB before, peak %.1f MB (growth %.1f MB, %s)\n",
        totals[totals.size() / 2], Mb(baseline), Mb(after.PeakWorkingSetSize),
        Mb(after.PeakWorkingSetSize - baseline),
        cold ? "libraries loaded by the first query" : "libraries already loaded");
    ShowWindow(form.hwnd(), SW_HIDE);
    return 0;
}
