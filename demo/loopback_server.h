#pragma once
#include <winsock2.h>

#include "kernel_handle.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the server answers for one path. Its body is `prefix` followed by
// `body` `repeat` times over, so a long answer costs the server no memory.
struct LoopbackResponse {
    enum class Mode {
        Normal,
        NeverAnswer, // read the request and keep the connection open, silent
        Hangup,      // close the connection without a byte
    };
    static constexpr size_t kEndless = SIZE_MAX; // a `repeat` that never ends

    int status = 200;
    std::string body;
    std::string contentType = "text/xml";
    std::vector<std::pair<std::string, std::string>> headers;
    Mode mode = Mode::Normal;
    unsigned delayMs = 0; // wait this long before answering
    bool chunked = false; // send without Content-Length, in chunks (always when endless)
    std::string prefix;
    size_t repeat = 1;
    // The body at this many bytes a second (0: as fast as the peer reads),
    // stopping for pauseMs once pauseAfterBytes of it are sent.
    size_t bytesPerSecond = 0;
    size_t pauseAfterBytes = 0;
    unsigned pauseMs = 0;
    unsigned dripMs = 0; // instead: one byte, then this long, and again
    // A connection closes once it has sent this many bytes of body (a network
    // that drops, a chunked body without its last chunk); 0: never. Only the
    // first dropTimes answers of the path do (0: every one).
    size_t dropAfterBytes = 0;
    unsigned dropTimes = 0;
    // The connection closes when the peer has taken nothing for this long, as
    // web servers' send timeouts do; 0: never.
    unsigned idleCloseMs = 0;
    // Answers "Range: bytes=N-" with 206 and the rest of the body, unless an
    // If-Range names another validator than the ETag or Last-Modified header
    // given in `headers` (a weak ETag matches none, as the range rules have
    // it); otherwise a Range is ignored (200, the whole body).
    bool ranges = false;

    // The length of the whole body (meaningless when endless).
    size_t Length() const { return prefix.size() + body.size() * repeat; }
    bool Endless() const { return repeat == kEndless && !body.empty(); }
    bool Chunked() const { return chunked || Endless(); } // an endless body has no length
};

// The common answers: an XML document (or error page) with its status, and a
// song's bytes with their type.
inline LoopbackResponse XmlAnswer(std::string body, int status = 200) {
    LoopbackResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}
inline LoopbackResponse AudioAnswer(std::string body, std::string type = "audio/mpeg") {
    LoopbackResponse r;
    r.body = std::move(body);
    r.contentType = std::move(type);
    return r;
}

// An HTTP/1.1 server on 127.0.0.1, run inside the test process, on a port of
// the system's choosing unless one is given. Each connection gets a thread;
// the destructor ends them all, including those told never to answer.
class LoopbackServer {
  public:
    explicit LoopbackServer(uint16_t port = 0);
    bool Listening() const { return port_ != 0; }
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Serves `response` for requests whose whole target (path and query) is
    // `path`, or else whose path (the target before '?') is; "*" answers every
    // path not given otherwise.
    void Serve(const std::string& path, LoopbackResponse response);
    std::wstring BaseAddress() const; // "http://127.0.0.1:PORT"
    uint16_t port() const { return port_; }
    // The request targets (path and query, as sent) in order of arrival.
    std::vector<std::string> Requests() const;
    // Each request's Range header ("" without one), in the same order.
    std::vector<std::string> Ranges() const;
    // Connections being answered or waiting for the peer to close.
    int OpenConnections() const { return open_; }
    // Bytes of bodies sent so far, all answers together.
    size_t BodyBytesSent() const { return bodyBytesSent_; }

  private:
    void AcceptLoop();
    void Answer(SOCKET client);
    std::shared_ptr<const LoopbackResponse> Lookup(const std::string& path) const;
    // Counts an answer on `response`'s route; true while it is one to drop.
    bool TakeDrop(const std::shared_ptr<const LoopbackResponse>& response);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    KernelHandle stop_; // manual-reset event, set by the destructor
    mutable std::mutex mutex_;
    // Shared with the connections answering from them, so a large body is
    // never copied per request.
    std::map<std::string, std::shared_ptr<const LoopbackResponse>> routes_;
    std::vector<std::string> requests_;
    std::vector<std::string> ranges_;
    std::map<std::shared_ptr<const LoopbackResponse>, unsigned> dropped_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
    std::atomic<int> open_ = 0;
    std::atomic<size_t> bodyBytesSent_ = 0;
};
