#include "http_client.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Mode = LoopbackResponse::Mode;
using Clock = std::chrono::steady_clock;

HttpOptions ShortTimeouts() {
    HttpOptions options;
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 700;
    return options;
}

// What each answer ends as: only status 200 succeeds; a break or an answer that
// never ends fails within its time; a body over the cap is refused whether its
// length is declared or not, one of exactly the cap is read.
TEST(HttpClient, AnswersEndAsTheirStatusLengthAndTimeAllow) {
    constexpr size_t kCap = 300000;
    auto with = [](std::string body, auto change) {
        LoopbackResponse r = XmlAnswer(std::move(body));
        change(r);
        return r;
    };
    const struct {
        const char* path;
        LoopbackResponse response;
        HttpError error;
        DWORD status; // 0: not looked at
        size_t bodySize;
    } cases[] = {
        {"/ok", XmlAnswer("<qqmusic/>"), HttpError::None, 200, 10},
        {"/chunked", with(std::string(kCap, 'x'), [](auto& r) { r.chunked = true; }),
         HttpError::None, 200, kCap},
        {"/empty", XmlAnswer(""), HttpError::None, 200, 0},
        {"/404", XmlAnswer("<error/>", 404), HttpError::BadStatus, 404, 0},
        {"/500", XmlAnswer("<error/>", 500), HttpError::BadStatus, 500, 0},
        {"/declared", XmlAnswer(std::string(kCap + 1, 'x')), HttpError::TooLarge, 0, 0},
        {"/chunked-over", with(std::string(kCap + 1, 'x'), [](auto& r) { r.chunked = true; }),
         HttpError::TooLarge, 0, 0},
        {"/never", with("", [](auto& r) { r.mode = Mode::NeverAnswer; }), HttpError::Timeout, 0, 0},
        {"/early", with(std::string(100000, 'x'), [](auto& r) { r.dropAfterBytes = 50000; }),
         HttpError::ConnectionLost, 0, 0},
        {"/hangup", with("", [](auto& r) { r.mode = Mode::Hangup; }), HttpError::ConnectionLost, 0,
         0},
        // Each step's timeout alone would let an answer that drips in run on for ever.
        {"/drip", with(std::string(5000, 'x'), [](auto& r) { r.bytesPerSecond = 100; }),
         HttpError::Timeout, 0, 0},
    };
    LoopbackServer server;
    for (const auto& c : cases)
        server.Serve(c.path, c.response);
    HttpOptions options = ShortTimeouts();
    options.deadlineMs = 1500;
    options.maxBodyBytes = kCap;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        HttpClient client(options);
        const auto start = Clock::now();
        const HttpResult result =
            client.Get(server.BaseAddress() + std::wstring(c.path, c.path + strlen(c.path)));
        EXPECT_EQ(result.error, c.error) << "system error " << result.systemError;
        EXPECT_TRUE(c.status == 0 || result.status == c.status) << result.status;
        EXPECT_EQ(result.body.size(), c.bodySize);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    }
}

TEST(HttpClient, FollowsAtMostFiveRedirects) {
    LoopbackServer server;
    for (int i = 0; i < 7; ++i) {
        LoopbackResponse r = XmlAnswer("", 302);
        r.headers.push_back({"Location", "/r" + std::to_string(i + 1)});
        server.Serve("/r" + std::to_string(i), r);
    }
    server.Serve("/r7", XmlAnswer("end"));
    HttpClient five(ShortTimeouts());
    const HttpResult viaFive = five.Get(server.BaseAddress() + L"/r2"); // r2 → … → r7: 5 hops
    EXPECT_EQ(viaFive.error, HttpError::None);
    EXPECT_EQ(viaFive.body, "end");
    HttpClient six(ShortTimeouts());
    const HttpResult viaSix = six.Get(server.BaseAddress() + L"/r1");
    EXPECT_EQ(viaSix.error, HttpError::TooManyRedirects) << viaSix.systemError;
    EXPECT_TRUE(viaSix.body.empty());

    // Every redirect status is followed as a GET, to absolute and relative places.
    const struct {
        int status;
        const char* location;
    } single[] = {{301, "/r7"}, {303, "/r7"}, {307, "r7"}, {308, "/r7"}, {302, nullptr}};
    for (const auto& c : single) {
        LoopbackResponse r = XmlAnswer("", c.status);
        r.headers.push_back({"Location", c.location ? c.location
                                                    : "http://127.0.0.1:" +
                                                          std::to_string(server.port()) + "/r7"});
        server.Serve("/once", r);
        HttpClient client(ShortTimeouts());
        const HttpResult result = client.Get(server.BaseAddress() + L"/once?x=1");
        EXPECT_EQ(result.error, HttpError::None) << c.status;
        EXPECT_EQ(result.body, "end") << c.status;
    }
}

TEST(HttpClient, RedirectTargetsAreReadAgainstTheAnsweringAddress) {
    const struct {
        const wchar_t *base, *location, *resolved;
    } cases[] = {
        {L"http://a.cn/x/y.mp3?q=1", L"http://b.cn/z", L"http://b.cn/z"},
        {L"https://a.cn/x/y.mp3", L"//c.cn/z", L"https://c.cn/z"},
        {L"http://a.cn:81/x/y.mp3?q=1", L"/z?w", L"http://a.cn:81/z?w"},
        {L"http://a.cn/x/y.mp3?q=/1", L"z.mp3", L"http://a.cn/x/z.mp3"},
        {L"http://a.cn", L"z.mp3", L"http://a.cn/z.mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveRedirect(c.base, c.location), c.resolved) << c.location;
}

// WinHTTP's own policy: a secure address is never followed to a plain one.
// Schemes are read without regard to case.
TEST(HttpClient, RedirectsNeverLeaveHttpsForHttp) {
    const struct {
        const wchar_t *from, *to;
        bool allowed;
    } cases[] = {
        {L"https://a.cn/x", L"http://a.cn/x", false},
        {L"HTTPS://a.cn/x", L"Http://b.cn/y", false},
        {L"https://a.cn/x", L"https://b.cn/y", true},
        {L"http://a.cn/x", L"HTTPS://b.cn/y", true},
        {L"HTTP://a.cn/x", L"http://b.cn/y", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RedirectAllowed(c.from, c.to), c.allowed) << c.from << L" -> " << c.to;
    for (const wchar_t* address : {L"HTTP://a.cn/x.mp3", L"hTTps://a.cn/x.mp3"})
        EXPECT_TRUE(IsHttpAddress(address)) << address;
    for (const wchar_t* address : {L"file://c/x.mp3", L"httpx://a.cn/", L"http:/a.cn", L"C:\\x.mp3", L"http://"})
        EXPECT_FALSE(IsHttpAddress(address)) << address;
}

} // namespace
