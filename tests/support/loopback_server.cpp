#include "loopback_server.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace {

const char* Reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

bool SendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        const int n = send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SendAll(SOCKET s, const std::string& text) { return SendAll(s, text.data(), text.size()); }

} // namespace

LoopbackServer::LoopbackServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, SOMAXCONN);
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    SetEvent(stop_);
    closesocket(listener_);
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (SOCKET s : clients_)
            shutdown(s, SD_BOTH);
    }
    for (std::thread& t : threads_)
        t.join();
    CloseHandle(stop_);
    WSACleanup();
}

void LoopbackServer::Serve(const std::string& path, LoopbackResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

std::wstring LoopbackServer::BaseAddress() const {
    return L"http://127.0.0.1:" + std::to_wstring(port_);
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

LoopbackResponse LoopbackServer::Lookup(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = routes_.find(path);
    if (it == routes_.end())
        it = routes_.find("*");
    if (it != routes_.end())
        return it->second;
    LoopbackResponse missing;
    missing.status = 404;
    missing.body = "not found";
    missing.contentType = "text/plain";
    return missing;
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return; // the listener was closed
        std::lock_guard lock(mutex_);
        if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
            closesocket(client);
            return;
        }
        clients_.push_back(client);
        threads_.emplace_back([this, client] { Answer(client); });
    }
}

void LoopbackServer::Answer(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(client, buffer, sizeof(buffer), 0);
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
    const LoopbackResponse response = Lookup(target.substr(0, target.find('?')));

    if (response.delayMs > 0 && WaitForSingleObject(stop_, response.delayMs) == WAIT_OBJECT_0)
        return;
    using Mode = LoopbackResponse::Mode;
    if (response.mode == Mode::NeverAnswer) {
        WaitForSingleObject(stop_, INFINITE);
        return;
    }
    if (response.mode != Mode::Hangup) {
        std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                           Reason(response.status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        head += response.chunked ? "Transfer-Encoding: chunked\r\n"
                                 : "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        if (SendAll(client, head)) {
            if (response.mode == Mode::CloseEarly) {
                SendAll(client, response.body.data(), response.body.size() / 2);
            } else if (response.chunked) {
                constexpr size_t kChunk = 64 * 1024;
                for (size_t at = 0; at < response.body.size(); at += kChunk) {
                    const size_t n = std::min(kChunk, response.body.size() - at);
                    char size[32];
                    snprintf(size, sizeof(size), "%zx\r\n", n);
                    if (!SendAll(client, size) || !SendAll(client, response.body.data() + at, n) ||
                        !SendAll(client, "\r\n"))
                        break;
                }
                SendAll(client, "0\r\n\r\n");
            } else {
                SendAll(client, response.body);
            }
        }
    }
    shutdown(client, SD_SEND);
    // Let the peer read everything before the socket goes away.
    while (recv(client, buffer, sizeof(buffer), 0) > 0) {
    }
    std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    closesocket(client);
}
