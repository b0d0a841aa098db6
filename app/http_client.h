#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

enum class HttpError {
    None,
    InvalidAddress, // not an http(s) address the client can request
    CannotConnect,  // name not resolved, connection refused
    Timeout,        // connect, send or receive took longer than allowed
    BadStatus,      // an answer came, but not with status 200
    TooLarge,       // the body is larger than the cap
    TooManyRedirects,
    ConnectionLost, // the server closed the connection or sent garbage
    Cancelled,
};

struct HttpOptions {
    DWORD connectTimeoutMs = 10000;
    DWORD sendTimeoutMs = 10000;
    DWORD receiveTimeoutMs = 15000;
    size_t maxBodyBytes = 32u << 20;
    DWORD maxRedirects = 5;
};

struct HttpResult {
    HttpError error = HttpError::None;
    DWORD systemError = 0; // the WinHTTP or socket error behind `error`, if any
    DWORD status = 0;      // the HTTP status when an answer came
    std::string body;      // only for status 200

    bool ok() const { return error == HttpError::None; }
};

// HTTP GET over WinHTTP. Cancel() may be called from any thread: Get()
// returns Cancelled at once and every later Get() is refused, so a client
// serves one piece of work and is then dropped.
//
// The transfer itself runs on a thread of its own and Get() waits for it or
// for Cancel(). Closing the request handle ends a blocked synchronous call on
// Windows, but Wine keeps it blocked until its timeout; an abandoned transfer
// then finishes in the background and its result is thrown away.
class HttpClient {
  public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResult Get(std::wstring_view url);
    void Cancel();
    bool Cancelled() const;

    struct Shared; // what the client and its transfers hold in common

  private:
    HttpOptions options_;
    std::shared_ptr<Shared> shared_;
};
