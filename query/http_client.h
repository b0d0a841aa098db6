#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum class HttpError {
    None,
    InvalidAddress, // not an http(s) address the client can request
    CannotConnect,  // name not resolved, connection refused
    Timeout,        // a step took longer than allowed, or the whole request its deadline
    BadStatus,      // an answer came, but not with status 200
    TooLarge,       // the body is larger than the cap
    TooManyRedirects,
    ConnectionLost, // the server closed the connection or sent garbage
    Cancelled,
    NoResources, // the system refused an event or a thread the request needs
};

struct HttpOptions {
    DWORD connectTimeoutMs = 10000;
    DWORD sendTimeoutMs = 10000;
    DWORD receiveTimeoutMs = 15000;
    // The whole request, redirects and body included; 0 for none. Each step's
    // timeout alone lets an answer that drips a byte at a time run for ever.
    DWORD deadlineMs = 0;
    size_t maxBodyBytes = 32u << 20; // 0: no cap, the sink keeps what it needs
    DWORD maxRedirects = 5;
    // A body whose connection breaks (a server's timeout, a dropped network)
    // is asked for again from its first missing byte, up to this many times in
    // a row (0: never), after resumeDelayMs, then twice as long each time. A
    // connection that brings bytes starts the count again.
    DWORD resumeAttempts = 0;
    DWORD resumeDelayMs = 500;
};

struct HttpResult {
    HttpError error = HttpError::None;
    DWORD systemError = 0; // the WinHTTP or socket error behind `error`, if any
    DWORD status = 0;      // the HTTP status when an answer came
    std::string body;      // only for status 200

    bool ok() const { return error == HttpError::None; }
};

// Takes the body of an answer as it arrives, on the transfer's own thread. The
// transfer holds it until it ends, which may be after its client is gone.
class HttpBodySink {
  public:
    virtual ~HttpBodySink() = default;
    // A 200 answer has come with this Content-Type ("" without one); called
    // once, just before BodyBegins().
    virtual void BodyType(const std::wstring& /*contentType*/) {}
    // A 200 answer has come; `length` is the body length it declares, if any.
    // Called once, however often the body is resumed.
    virtual void BodyBegins(std::optional<unsigned long long> length) = 0;
    // The next piece of the body. A resumed body goes on where it broke off:
    // the sink never sees a byte twice. False stops the transfer, which then
    // ends as Cancelled.
    virtual bool BodyPiece(const char* data, size_t size) = 0;
    // Always the last call, made once: how the transfer ended (never a body).
    // It must not throw: nobody is left to catch it.
    virtual void TransferEnded(const HttpResult& result) = 0;
};

// The address a redirect leads to: `location` (absolute, scheme-relative,
// absolute path or relative path) read against the address that answered.
std::wstring ResolveRedirect(std::wstring_view base, std::wstring_view location);
// Whether `url` is an http or https address, whatever the case of its scheme.
bool IsHttpAddress(std::wstring_view url);
// Whether a redirect from `from` to `to` may be followed: never from https to
// plain http (WinHTTP's own policy), whatever the case of the schemes.
bool RedirectAllowed(std::wstring_view from, std::wstring_view to);

// HTTP GET over WinHTTP. Cancel() may be called from any thread: Get()
// returns Cancelled at once and every later request is refused, so a client
// serves one piece of work and is then dropped.
//
// The transfer runs on a thread of its own that alone owns its WinHTTP handles
// and Get() waits for it, for Cancel() or for the deadline. A transfer that is
// let go of is never touched from outside: closing its handle from another
// thread could race with its next call, and once closed the same handle value
// may belong to the next request. It stops at its next step instead (a read
// between chunks, or a step's own timeout) and its result is thrown away.
class HttpClient {
  public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResult Get(std::wstring_view url);
    // Starts a GET whose body goes to `sink` piece by piece and returns at
    // once. The deadline is Get()'s alone: a stream runs while its pieces keep
    // coming, each step within its timeout. After Cancel() the sink hears of
    // the end only when the transfer reaches its next step.
    void Stream(std::wstring_view url, std::shared_ptr<HttpBodySink> sink);
    void Cancel();
    bool Cancelled() const;

    struct Shared; // what the client and its transfers hold in common

  private:
    std::optional<HttpResult> Refusal() const;

    HttpOptions options_;
    std::shared_ptr<Shared> shared_;
};
