#include "loopback_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <optional>

namespace {

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 206:
        return "Partial Content";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// Sockets are non-blocking and every wait is sliced, so a peer that stops
// reading or writing can never keep the server from shutting down. False when
// the server stops, on an error, or when `limitMs` passed first.
bool WaitReady(SOCKET s, bool write, HANDLE stop, DWORD limitMs = INFINITE) {
    const ULONGLONG until = limitMs == INFINITE ? ~0ull : GetTickCount64() + limitMs;
    for (;;) {
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0 || GetTickCount64() >= until)
            return false;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval slice{0, 50 * 1000};
        const int n = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &slice);
        if (n < 0)
            return false;
        if (n > 0)
            return true;
    }
}

bool SendAll(SOCKET s, std::string_view data, HANDLE stop, DWORD idleMs = INFINITE) {
    while (!data.empty()) {
        if (!WaitReady(s, true, stop, idleMs))
            return false;
        const int n = send(s, data.data(), static_cast<int>(std::min<size_t>(data.size(), 64 * 1024)), 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Receives what is there: > 0 bytes, 0 at the end of the stream, < 0 on error
// or when the server stops.
int Receive(SOCKET s, char* buffer, int size, HANDLE stop) {
    for (;;) {
        if (!WaitReady(s, false, stop))
            return -1;
        const int n = recv(s, buffer, size, 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        return n;
    }
}

// Up to `n` bytes of the whole body from `at` on, as a view into the prefix or
// the repeated body.
std::string_view BodyAt(const LoopbackResponse& r, size_t at, size_t n) {
    if (at < r.prefix.size())
        return std::string_view(r.prefix).substr(at, n);
    return std::string_view(r.body).substr((at - r.prefix.size()) % r.body.size(), n);
}

// The body from `from` on, in slices of a twentieth of a second's worth (64 KB
// at full speed, a byte when dripping), with the pause and the drop. False
// when the connection was dropped or broke.
bool SendBody(SOCKET s, const LoopbackResponse& r, size_t from, bool mayDrop, HANDLE stop,
              std::atomic<size_t>& sent) {
    constexpr DWORD kSliceMs = 50;
    const size_t total = r.Endless() ? SIZE_MAX : r.Length();
    const size_t slice = r.dripMs         ? 1
                         : r.bytesPerSecond ? std::max<size_t>(1, r.bytesPerSecond / 20)
                                            : 64 * 1024;
    const DWORD idle = r.idleCloseMs ? r.idleCloseMs : INFINITE;
    size_t sentHere = 0;
    for (size_t at = from; at < total;) {
        std::string_view piece = BodyAt(r, at, std::min(slice, total - at));
        const bool pausesHere = r.pauseMs > 0 && at < r.pauseAfterBytes &&
                                at + piece.size() >= r.pauseAfterBytes;
        if (pausesHere)
            piece = piece.substr(0, r.pauseAfterBytes - at);
        const bool drops =
            mayDrop && r.dropAfterBytes > 0 && sentHere + piece.size() >= r.dropAfterBytes;
        if (drops)
            piece = piece.substr(0, r.dropAfterBytes - sentHere);
        if (r.Chunked() && !piece.empty()) {
            char size[32];
            snprintf(size, sizeof(size), "%zx\r\n", piece.size());
            if (!SendAll(s, size, stop, idle) || !SendAll(s, piece, stop, idle) ||
                !SendAll(s, "\r\n", stop, idle))
                return false;
        } else if (!SendAll(s, piece, stop, idle)) {
            return false;
        }
        at += piece.size();
        sentHere += piece.size();
        sent += piece.size();
        if (drops)
            return false;
        const DWORD wait = pausesHere       ? r.pauseMs
                           : r.dripMs         ? r.dripMs
                           : r.bytesPerSecond ? kSliceMs
                                              : 0;
        if (wait > 0 && WaitForSingleObject(stop, wait) == WAIT_OBJECT_0)
            return false;
    }
    return !r.Chunked() || SendAll(s, "0\r\n\r\n", stop, idle);
}

// The value of a request header, by its name in any case; "" when absent.
std::string HeaderValue(const std::string& request, std::string name) {
    std::string lower = request;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    const size_t at = lower.find("\r\n" + name + ":");
    if (at == std::string::npos)
        return {};
    size_t from = at + name.size() + 3;
    while (from < request.size() && request[from] == ' ')
        ++from;
    return request.substr(from, request.find("\r\n", from) - from);
}

// Where a ranged answer starts: the N of "bytes=N-" when the response honours
// ranges and the If-Range, if any, names its validator.
std::optional<size_t> RangeFrom(const LoopbackResponse& r, const std::string& request) {
    const std::string range = HeaderValue(request, "Range");
    if (!r.ranges || !range.starts_with("bytes=") || r.Endless())
        return std::nullopt;
    const std::string ifRange = HeaderValue(request, "If-Range");
    if (!ifRange.empty() &&
        std::none_of(r.headers.begin(), r.headers.end(), [&](const auto& header) {
            return (header.first == "ETag" || header.first == "Last-Modified") &&
                   header.second == ifRange && !ifRange.starts_with("W/");
        }))
        return std::nullopt;
    const size_t from = strtoull(range.c_str() + 6, nullptr, 10);
    return from < r.Length() ? std::optional(from) : std::nullopt;
}

} // namespace

LoopbackServer::LoopbackServer(uint16_t port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    stop_ = CreateEventHandle(true);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        listen(listener_, SOMAXCONN) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    SetEvent(stop_.get());
    closesocket(listener_);
    acceptor_.join();
    for (std::thread& t : threads_)
        t.join();
    WSACleanup();
}

void LoopbackServer::Serve(const std::string& path, LoopbackResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::make_shared<const LoopbackResponse>(std::move(response));
}

std::wstring LoopbackServer::BaseAddress() const {
    return L"http://127.0.0.1:" + std::to_wstring(port_);
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::shared_ptr<const LoopbackResponse> LoopbackServer::Lookup(const std::string& path) const {
    static const auto missing = [] {
        LoopbackResponse r;
        r.status = 404;
        r.body = "not found";
        r.contentType = "text/plain";
        return std::make_shared<const LoopbackResponse>(std::move(r));
    }();
    std::lock_guard lock(mutex_);
    auto it = routes_.find(path);
    if (it == routes_.end())
        it = routes_.find(path.substr(0, path.find('?')));
    if (it == routes_.end())
        it = routes_.find("*");
    return it != routes_.end() ? it->second : missing;
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return; // the listener was closed
        std::lock_guard lock(mutex_);
        if (WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0) {
            closesocket(client);
            return;
        }
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        threads_.emplace_back([this, client] { Answer(client); });
    }
}

void LoopbackServer::Answer(SOCKET client) {
    ++open_;
    struct Closer {
        SOCKET s;
        std::atomic<int>& open;
        ~Closer() {
            closesocket(s);
            --open;
        }
    } closeOnReturn{client, open_};
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = Receive(client, buffer, sizeof(buffer), stop_.get());
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
    }
    const size_t firstSpace = request.find(' ');
    const size_t secondSpace = request.find(' ', firstSpace + 1);
    const std::string target = firstSpace == std::string::npos || secondSpace == std::string::npos
                                   ? std::string()
                                   : request.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(target);
        ranges_.push_back(HeaderValue(request, "Range"));
    }
    const std::shared_ptr<const LoopbackResponse> route = Lookup(target);
    const LoopbackResponse& response = *route;

    if (response.delayMs > 0 && WaitForSingleObject(stop_.get(), response.delayMs) == WAIT_OBJECT_0)
        return;
    using Mode = LoopbackResponse::Mode;
    if (response.mode == Mode::NeverAnswer) {
        WaitForSingleObject(stop_.get(), INFINITE);
        return;
    }
    if (response.idleCloseMs) {
        // A server's own send buffer is small next to the body; a large one
        // would hide the peer's pause from the idle timeout.
        int buffered = 16 * 1024;
        setsockopt(client, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&buffered),
                   sizeof(buffered));
    }
    if (response.mode != Mode::Hangup) {
        const std::optional<size_t> from = RangeFrom(response, request);
        const int status = from ? 206 : response.status;
        std::string head = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        const size_t length = response.Length() - from.value_or(0);
        head += response.Chunked() ? "Transfer-Encoding: chunked\r\n"
                    : "Content-Length: " + std::to_string(length) + "\r\n";
        if (from)
            head += "Content-Range: bytes " + std::to_string(*from) + "-" +
                    std::to_string(response.Length() - 1) + "/" +
                    std::to_string(response.Length()) + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        if (SendAll(client, head, stop_.get()) &&
            !SendBody(client, response, from.value_or(0), TakeDrop(route), stop_.get(),
                      bodyBytesSent_))
            return; // dropped: no orderly end
    }
    shutdown(client, SD_SEND);
    // Let the peer read everything before the socket goes away.
    while (Receive(client, buffer, sizeof(buffer), stop_.get()) > 0) {
    }
}

bool LoopbackServer::TakeDrop(const std::shared_ptr<const LoopbackResponse>& response) {
    std::lock_guard lock(mutex_);
    return response->dropTimes == 0 || dropped_[response]++ < response->dropTimes;
}

std::vector<std::string> LoopbackServer::Ranges() const {
    std::lock_guard lock(mutex_);
    return ranges_;
}
