#include "http_client.h"

#include <winhttp.h>

#include <memory>
#include <mutex>
#include <system_error>
#include <utility>
#include <thread>
#include <vector>

namespace {

struct InternetCloser {
    void operator()(HINTERNET h) const { WinHttpCloseHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

constexpr DWORD kReadChunk = 64 * 1024;

HttpError ClassifySystemError(DWORD code) {
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT: // Wine reports some timeouts as the socket error
        return HttpError::Timeout;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case WSAECONNREFUSED:
        return HttpError::CannotConnect;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        return HttpError::InvalidAddress;
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return HttpError::TooManyRedirects;
    case ERROR_WINHTTP_OPERATION_CANCELLED:
        return HttpError::Cancelled;
    default:
        return HttpError::ConnectionLost;
    }
}

HINTERNET OpenSession() {
    constexpr wchar_t kAgent[] = L"QzoneMusic/1.0";
    // Automatic proxy exists from Windows 8.1 on; older systems refuse the
    // access type and get the configured default proxy instead.
    HINTERNET session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0);
    return session;
}

std::wstring QueryHeaderText(HINTERNET request, DWORD info) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(size / sizeof(wchar_t));
    return text;
}

} // namespace

struct HttpClient::Shared {
    std::mutex mutex;
    bool cancelled = false;
    HINTERNET request = nullptr; // the handle Cancel() closes
    HANDLE cancelEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    ~Shared() { CloseHandle(cancelEvent); }

    bool IsCancelled() {
        std::lock_guard lock(mutex);
        return cancelled;
    }
    bool Register(HINTERNET handle) {
        std::lock_guard lock(mutex);
        if (cancelled)
            return false;
        request = handle;
        return true;
    }
    void Unregister(HINTERNET handle) {
        std::lock_guard lock(mutex);
        // Cancel() may already have closed it; then it is no longer ours to close.
        if (request == handle) {
            WinHttpCloseHandle(handle);
            request = nullptr;
        }
    }
};

namespace {

HttpResult Failure(HttpError error, DWORD systemError) {
    HttpResult result;
    result.error = error;
    result.systemError = systemError;
    return result;
}

HttpResult Transfer(HttpClient::Shared& shared, const std::wstring& address,
                    const HttpOptions& options);

// One Get() handed to its transfer thread; whichever side lets go last frees it.
struct PendingTransfer {
    HttpResult result;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~PendingTransfer() { CloseHandle(done); }
};

} // namespace

HttpClient::HttpClient(HttpOptions options)
    : options_(options), shared_(std::make_shared<Shared>()) {}

HttpClient::~HttpClient() {
    Cancel();
}

bool HttpClient::Cancelled() const {
    return shared_->IsCancelled();
}

void HttpClient::Cancel() {
    HINTERNET request = nullptr;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->cancelled = true;
        SetEvent(shared_->cancelEvent);
        request = std::exchange(shared_->request, nullptr);
    }
    // Closing the handle ends a blocked call on Windows; Wine's close waits
    // for that call instead, so it is done where nobody waits for it.
    if (request) {
        try {
            std::thread([request] { WinHttpCloseHandle(request); }).detach();
        } catch (const std::system_error&) {
            // Without a thread the transfer still ends at its own timeout.
        }
    }
}

HttpResult HttpClient::Get(std::wstring_view url) {
    if (shared_->IsCancelled())
        return Failure(HttpError::Cancelled, 0);
    auto pending = std::make_shared<PendingTransfer>();
    if (!pending->done)
        return Failure(HttpError::ConnectionLost, GetLastError());
    try {
        std::thread([shared = shared_, pending, address = std::wstring(url), options = options_] {
            pending->result = Transfer(*shared, address, options);
            SetEvent(pending->done);
        }).detach();
    } catch (const std::system_error&) {
        return Failure(HttpError::ConnectionLost, ERROR_NOT_ENOUGH_MEMORY);
    }
    const HANDLE waits[] = {pending->done, shared_->cancelEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
        return std::move(pending->result);
    return Failure(HttpError::Cancelled, 0);
}

namespace {

HttpResult Transfer(HttpClient::Shared& shared, const std::wstring& address,
                    const HttpOptions& options) {
    auto Fail = [&shared](HttpError error, DWORD systemError) {
        return Failure(shared.IsCancelled() ? HttpError::Cancelled : error, systemError);
    };
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (address.empty() || !WinHttpCrackUrl(address.c_str(), 0, 0, &parts))
        return Fail(HttpError::InvalidAddress, GetLastError());
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0)
        return Fail(HttpError::InvalidAddress, 0);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
    target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.empty())
        target = L"/";

    InternetHandle session(OpenSession());
    if (!session)
        return Fail(HttpError::ConnectionLost, GetLastError());
    const int connect = static_cast<int>(options.connectTimeoutMs);
    WinHttpSetTimeouts(session.get(), connect, connect, static_cast<int>(options.sendTimeoutMs),
                       static_cast<int>(options.receiveTimeoutMs));
    InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return Fail(ClassifySystemError(GetLastError()), GetLastError());

    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    HINTERNET request = WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!request)
        return Fail(ClassifySystemError(GetLastError()), GetLastError());
    if (!shared.Register(request)) {
        WinHttpCloseHandle(request);
        return Fail(HttpError::Cancelled, 0);
    }
    struct Unregisterer {
        HttpClient::Shared& shared;
        HINTERNET request;
        ~Unregisterer() { shared.Unregister(request); }
    } unregister{shared, request};

    // Wine waits for the response headers with this timeout, not the receive
    // timeout of WinHttpSetTimeouts.
    DWORD receive = options.receiveTimeoutMs;
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive, sizeof(receive));
    DWORD redirects = options.maxRedirects;
    WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof(redirects));

    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            0, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
        const DWORD code = GetLastError();
        return Fail(ClassifySystemError(code), code);
    }

    HttpResult result;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Fail(HttpError::ConnectionLost, GetLastError());
    result.status = status;
    const bool followable =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (followable) { // WinHTTP hands a redirect back only when it stopped following
        result.error = HttpError::TooManyRedirects;
        return result;
    }
    if (status != 200) {
        result.error = HttpError::BadStatus;
        return result;
    }

    const std::wstring length = QueryHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH);
    const unsigned long long declared = length.empty() ? 0 : wcstoull(length.c_str(), nullptr, 10);
    if (declared > options.maxBodyBytes) {
        result.error = HttpError::TooLarge;
        return result;
    }
    result.body.reserve(static_cast<size_t>(declared));

    std::vector<char> chunk(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), kReadChunk, &read)) {
            const DWORD code = GetLastError();
            HttpResult failed = Fail(ClassifySystemError(code), code);
            failed.status = status;
            return failed;
        }
        if (read == 0)
            break;
        if (shared.IsCancelled())
            return Fail(HttpError::Cancelled, 0);
        if (result.body.size() + read > options.maxBodyBytes) {
            result.error = HttpError::TooLarge;
            result.body.clear();
            return result;
        }
        result.body.append(chunk.data(), read);
    }
    if (shared.IsCancelled())
        return Fail(HttpError::Cancelled, 0);
    if (!length.empty() && result.body.size() < declared) {
        result.error = HttpError::ConnectionLost; // closed before the whole body came
        result.body.clear();
    }
    return result;
}

} // namespace
