#include "loopback_server.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace {

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
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
// reading or writing can never keep the server from shutting down.
bool WaitReady(SOCKET s, bool write, HANDLE stop) {
    for (;;) {
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
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

bool SendAll(SOCKET s, const char* data, size_t size, HANDLE stop) {
    while (size > 0) {
        if (!WaitReady(s, true, stop))
            return false;
        const int n = send(s, data, static_cast<int>(std::min<size_t>(size, 64 * 1024)), 0);
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
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

// The body, `repeat` times over, in slices of a twentieth of a second's worth
// (64 KB at full speed), with the pause.
bool SendPaced(SOCKET s, const LoopbackResponse& response, HANDLE stop,
               std::atomic<size_t>& sent) {
    constexpr DWORD kSliceMs = 50;
    const std::string_view body = response.body;
    const size_t total = body.size() * response.repeat;
    const size_t slice =
        response.bytesPerSecond > 0 ? std::max<size_t>(1, response.bytesPerSecond / 20) : 64 * 1024;
    for (size_t at = 0; at < total;) {
        const size_t from = at % body.size();
        size_t n = std::min(slice, body.size() - from);
        const bool pausesHere = response.pauseMs > 0 && at < response.pauseAfterBytes &&
                                at + n >= response.pauseAfterBytes;
        if (pausesHere)
            n = response.pauseAfterBytes - at;
        if (n > 0 && !SendAll(s, body.data() + from, n, stop))
            return false;
        at += n;
        sent += n;
        const DWORD wait = pausesHere ? response.pauseMs : response.bytesPerSecond ? kSliceMs : 0;
        if (wait > 0 && WaitForSingleObject(stop, wait) == WAIT_OBJECT_0)
            return false;
    }
    return true;
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
    }
    const std::shared_ptr<const LoopbackResponse> route = Lookup(target);
    const LoopbackResponse& response = *route;

    if (response.delayMs > 0 && WaitForSingleObject(stop_.get(), response.delayMs) == WAIT_OBJECT_0)
        return;
    using Mode = LoopbackResponse::Mode;
    auto Send = [&](std::string_view text) {
        return SendAll(client, text.data(), text.size(), stop_.get());
    };
    if (response.mode == Mode::NeverAnswer) {
        WaitForSingleObject(stop_.get(), INFINITE);
        return;
    }
    if (response.mode != Mode::Hangup) {
        std::string head =
            "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        head += response.chunked
                    ? "Transfer-Encoding: chunked\r\n"
                    : "Content-Length: " + std::to_string(response.body.size() * response.repeat) +
                          "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        if (Send(head)) {
            if (response.mode == Mode::CloseEarly) {
                Send(std::string_view(response.body).substr(0, response.body.size() / 2));
            } else if (response.chunked) {
                constexpr size_t kChunk = 64 * 1024;
                for (size_t at = 0; at < response.body.size(); at += kChunk) {
                    const size_t n = std::min(kChunk, response.body.size() - at);
                    char size[32];
                    snprintf(size, sizeof(size), "%zx\r\n", n);
                    if (!Send(size) || !Send(std::string_view(response.body).substr(at, n)) ||
                        !Send("\r\n"))
                        break;
                }
                Send("0\r\n\r\n");
            } else {
                SendPaced(client, response, stop_.get(), bodyBytesSent_);
            }
        }
    }
    shutdown(client, SD_SEND);
    // Let the peer read everything before the socket goes away.
    while (Receive(client, buffer, sizeof(buffer), stop_.get()) > 0) {
    }
}
