// Times the music-list query of 10,000 songs (about 2.8 MB of GB2312 XML)
// served from loopback: each stage on its own (the fetch, the decoding, the
// bare loadXML, the selection of the songs) and the whole query through the
// real window, side by side in one run; then the working-set growth, and how
// long closing the window takes while a 30 MB answer is being parsed.
#include "answers.h"
#include "background_work.h"
#include "char_refs.h"
#include "com_scope.h"
#include "form1.h"
#include "kernel_objects.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "music_doc.h"
#include "xml_text.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";

double Mb(size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

class Stopwatch {
  public:
    double Lap() {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
        start_ = now;
        return ms;
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

struct Stages {
    double fetch, decode, load, select;
};

// The stages no parser can avoid (fetch, decode, bare load) and the selection
// with its character references, measured the way the worker runs them.
Stages MeasureStages(const std::wstring& address) {
    Stopwatch watch;
    HttpClient http;
    const HttpResult response = http.Get(address);
    const double fetch = watch.Lap();
    std::optional<std::wstring> text = DecodeXmlBytes(response.body);
    const double decode = watch.Lap();
    MusicDocument doc;
    doc.LoadText(std::move(*text));
    const double load = watch.Lap();
    std::vector<SongFields> songs = doc.SelectSongs();
    for (SongFields& song : songs) {
        DecodeCharRefs(std::move(song.address), kAddressPairs);
        DecodeCharRefs(std::move(song.singer), kTextPairs);
        DecodeCharRefs(std::move(song.name), kTextPairs);
    }
    return {fetch, decode, load, watch.Lap()};
}

double QueryThroughTheWindow(Form1& form, int expectedRows) {
    Stopwatch watch;
    form.Command1_Click();
    if (!PumpUntil([&] { return !form.QueryRunning(); }, 60000) ||
        ListView_GetItemCount(form.ListView1()) != expectedRows) {
        std::fprintf(stderr, "the query did not fill the table\n");
        std::exit(1);
    }
    UpdateWindow(form.hwnd());
    return watch.Lap();
}

// Closes a window whose query is parsing a 30 MB answer: how long the window
// thread waits, and how long the worker takes to end after that.
void MeasureCloseDuringParse(LoopbackServer& server) {
    LoopbackResponse big;
    big.body = MakeAnswer(MakeSongs(110000), "GB2312", 936);
    const size_t size = big.body.size();
    server.Serve(kPath, std::move(big));
    const Stages stages = MeasureStages(server.BaseAddress() + L"/fcg-bin/fcgi_agent_zhenghe.fcg");

    Form1 form(server.BaseAddress());
    form.SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    form.Create();
    SetWindowTextW(form.QQ(), L"123456789");
    form.Command1_Click();
    // Into the parse: the fetch and the decoding are over by then.
    PumpFor(static_cast<DWORD>(stages.fetch + stages.decode + 20));
    Stopwatch watch;
    DestroyWindow(form.hwnd());
    const double close = watch.Lap();
    WaitForDetachedWorkers(60000);
    const double worker = watch.Lap();
    std::printf("close with a %.1f MB parse in flight (bare load %.0f ms): window thread %.1f ms, "
                "worker ended %.0f ms later\n",
                Mb(size), stages.load, close, worker);
}

} // namespace

// query_bench [runs] [cold]: "cold" measures the first query of the process,
// loading of the HTTP and XML libraries included; otherwise a 10-song query
// warms them up before the baseline is taken.
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const bool cold = argc > 2 && std::strcmp(argv[2], "cold") == 0;
    const ComScope com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    LoopbackServer server;
    LoopbackResponse answer;
    answer.body = MakeAnswer(MakeSongs(10000), "GB2312", 936);
    const size_t bodySize = answer.body.size();
    LoopbackResponse small;
    small.body = MakeAnswer(MakeSongs(10), "GB2312", 936);
    server.Serve(kPath, small);
    const std::wstring address = server.BaseAddress() + L"/fcg-bin/fcgi_agent_zhenghe.fcg";

    Form1 form(server.BaseAddress());
    form.SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    if (!form.Create()) {
        std::fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    PumpFor(200);
    SetWindowTextW(form.QQ(), L"123456789");
    if (!cold)
        QueryThroughTheWindow(form, 10);
    server.Serve(kPath, std::move(answer));

    const size_t baseline = ProcessMemory().WorkingSetSize;
    const double query = QueryThroughTheWindow(form, 10000); // the memory figure's query
    const size_t peak = ProcessMemory().PeakWorkingSetSize;
    std::printf("answer: 10000 songs, %.2f MB GB2312\n", Mb(bodySize));
    std::printf("%-4s %8s %8s %8s %8s %9s | %8s %7s %7s\n", "run", "fetch", "decode", "load",
                "select", "query", "sel/load", "q/base", "");
    std::vector<double> selectRatios, queryRatios;
    for (int run = 1; run <= runs; ++run) {
        const Stages s = MeasureStages(address);
        const double total = run == 1 ? query : QueryThroughTheWindow(form, 10000);
        const double base = s.fetch + s.decode + s.load;
        std::printf("%-4d %6.1fms %6.1fms %6.1fms %6.1fms %7.1fms | %8.2f %7.2f\n", run, s.fetch,
                    s.decode, s.load, s.select, total, s.select / s.load, total / base);
        selectRatios.push_back(s.select / s.load);
        queryRatios.push_back(total / base);
    }
    std::sort(selectRatios.begin(), selectRatios.end());
    std::sort(queryRatios.begin(), queryRatios.end());
    std::printf("medians: sel/load %.2f, q/base %.2f\n", selectRatios[selectRatios.size() / 2],
                queryRatios[queryRatios.size() / 2]);
    std::printf("targets: sel/load <= 1.0; q/base = whole query / (fetch + decode + load) <= 2.0\n");
    std::printf("working set %.1f MB before the query, peak %.1f MB (growth %.1f MB, %s)\n",
                Mb(baseline), Mb(peak), Mb(peak - baseline),
                cold ? "libraries loaded by the first query" : "libraries already loaded");
    ShowWindow(form.hwnd(), SW_HIDE);
    MeasureCloseDuringParse(server);
    return 0;
}
