#include "http_client.h"

#include <winhttp.h>

#include "background_work.h"
#include "kernel_handle.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>
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
    std::atomic<bool> cancelled = false;
    KernelHandle cancelEvent = CreateEventHandle(true);

    void Cancel() {
        cancelled = true;
        if (cancelEvent)
            SetEvent(cancelEvent.get());
    }
};

namespace {

HttpResult Failure(HttpError error, DWORD systemError) {
    HttpResult result;
    result.error = error;
    result.systemError = systemError;
    return result;
}

HttpResult Transfer(const HttpClient::Shared& shared, std::wstring address,
                    const HttpOptions& options, HttpBodySink& sink);

// The body of one Get(), gathered on its transfer thread; whichever side lets
// go last frees it.
struct BodyCollector final : HttpBodySink {
    HttpResult result;
    KernelHandle done = CreateEventHandle(true);

    void BodyBegins(std::optional<unsigned long long> length) override {
        result.body.reserve(static_cast<size_t>(length.value_or(0))); // within the cap
    }
    bool BodyPiece(const char* data, size_t size) override {
        result.body.append(data, size);
        return true;
    }
    void TransferEnded(const HttpResult& ended) override {
        std::string body = std::move(result.body);
        result = ended;
        if (result.ok())
            result.body = std::move(body); // a body only when all of it came
        SetEvent(done.get());
    }
};

// Runs a transfer on a thread of its own. False when the system gives no thread.
bool StartTransfer(const std::shared_ptr<HttpClient::Shared>& shared, std::wstring_view address,
                   const HttpOptions& options, const std::shared_ptr<HttpBodySink>& sink) {
    try {
        StartThread([shared, address = std::wstring(address), options, sink] {
            HttpResult result = Failure(HttpError::NoResources, ERROR_NOT_ENOUGH_MEMORY);
            try {
                result = Transfer(*shared, address, options, *sink);
            } catch (...) {
                // Out of memory for a piece of the body; the failure stands.
            }
            sink->TransferEnded(result);
        });
        return true;
    } catch (...) {
        return false;
    }
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The scheme, host and port of an absolute address: everything before the path.
std::wstring_view Origin(std::wstring_view address) {
    const size_t scheme = address.find(L"://");
    if (scheme == std::wstring_view::npos)
        return {};
    const size_t path = address.find_first_of(L"/?#", scheme + 3);
    return address.substr(0, path);
}

} // namespace

std::wstring ResolveRedirect(std::wstring_view base, std::wstring_view location) {
    const size_t colon = location.find(L':');
    const size_t slash = location.find(L'/');
    if (colon != std::wstring_view::npos && colon < slash &&
        location.substr(colon).starts_with(L"://"))
        return std::wstring(location); // absolute
    if (location.starts_with(L"//")) {
        const size_t scheme = base.find(L"://");
        return std::wstring(base.substr(0, scheme == std::wstring_view::npos ? 0 : scheme + 1)) +
               std::wstring(location);
    }
    const std::wstring_view origin = Origin(base);
    if (location.starts_with(L'/'))
        return std::wstring(origin) + std::wstring(location);
    // Relative to the folder of the base path, its query and fragment dropped.
    std::wstring_view path = base.substr(origin.size());
    path = path.substr(0, path.find_first_of(L"?#"));
    path = path.substr(0, path.rfind(L'/') == std::wstring_view::npos ? 0 : path.rfind(L'/') + 1);
    return std::wstring(origin) + (path.empty() ? L"/" : std::wstring(path)) +
           std::wstring(location);
}

HttpClient::HttpClient(HttpOptions options)
    : options_(options), shared_(std::make_shared<Shared>()) {}

HttpClient::~HttpClient() {
    Cancel();
}

bool HttpClient::Cancelled() const {
    return shared_->cancelled;
}

void HttpClient::Cancel() {
    shared_->Cancel();
}

// Why a client takes no new request, if it does not.
std::optional<HttpResult> HttpClient::Refusal() const {
    if (!shared_->cancelEvent)
        return Failure(HttpError::NoResources, ERROR_NOT_ENOUGH_MEMORY);
    if (shared_->cancelled)
        return Failure(HttpError::Cancelled, 0);
    return std::nullopt;
}

HttpResult HttpClient::Get(std::wstring_view url) {
    if (std::optional<HttpResult> refused = Refusal())
        return std::move(*refused);
    auto collector = std::make_shared<BodyCollector>();
    if (!collector->done)
        return Failure(HttpError::NoResources, GetLastError());
    if (!StartTransfer(shared_, url, options_, collector))
        return Failure(HttpError::NoResources, ERROR_NOT_ENOUGH_MEMORY);
    const HANDLE waits[] = {collector->done.get(), shared_->cancelEvent.get()};
    const DWORD wait = options_.deadlineMs ? options_.deadlineMs : INFINITE;
    switch (WaitForMultipleObjects(2, waits, FALSE, wait)) {
    case WAIT_OBJECT_0:
        return std::move(collector->result);
    case WAIT_TIMEOUT:
        shared_->Cancel(); // the transfer stops at its next step
        return Failure(HttpError::Timeout, ERROR_WINHTTP_TIMEOUT);
    default:
        return Failure(HttpError::Cancelled, 0);
    }
}

void HttpClient::Stream(std::wstring_view url, std::shared_ptr<HttpBodySink> sink) {
    std::optional<HttpResult> refused = Refusal();
    if (!refused && !StartTransfer(shared_, url, options_, sink))
        refused = Failure(HttpError::NoResources, ERROR_NOT_ENOUGH_MEMORY);
    if (refused)
        sink->TransferEnded(*refused);
}

namespace {

HttpResult Transfer(const HttpClient::Shared& shared, std::wstring address,
                    const HttpOptions& options, HttpBodySink& sink) {
    auto Fail = [&shared](HttpError error, DWORD systemError) {
        return Failure(shared.cancelled ? HttpError::Cancelled : error, systemError);
    };
    InternetHandle session(OpenSession());
    if (!session)
        return Fail(HttpError::ConnectionLost, GetLastError());
    const int connect = static_cast<int>(options.connectTimeoutMs);
    WinHttpSetTimeouts(session.get(), connect, connect, static_cast<int>(options.sendTimeoutMs),
                       static_cast<int>(options.receiveTimeoutMs));

    // Redirects are followed here rather than by WinHTTP, which hands some of
    // them (a 303 under Wine) back as they are; every one is a GET.
    for (DWORD hop = 0;; ++hop) {
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
        if (shared.cancelled)
            return Fail(HttpError::Cancelled, 0);

        InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
        if (!connection)
            return Fail(ClassifySystemError(GetLastError()), GetLastError());
        const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
        InternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  flags));
        if (!request)
            return Fail(ClassifySystemError(GetLastError()), GetLastError());
        // Wine waits for the response headers with this timeout, not the receive
        // timeout of WinHttpSetTimeouts.
        DWORD receive = options.receiveTimeoutMs;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive,
                         sizeof(receive));
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never));
        DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                         sizeof(noRedirects));

        if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !WinHttpReceiveResponse(request.get(), nullptr)) {
            const DWORD code = GetLastError();
            return Fail(ClassifySystemError(code), code);
        }
        if (shared.cancelled)
            return Fail(HttpError::Cancelled, 0);

        HttpResult result;
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (!WinHttpQueryHeaders(
                request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            return Fail(HttpError::ConnectionLost, GetLastError());
        result.status = status;
        if (IsRedirect(status)) {
            const std::wstring location = QueryHeaderText(request.get(), WINHTTP_QUERY_LOCATION);
            if (hop >= options.maxRedirects) {
                result.error = HttpError::TooManyRedirects;
                return result;
            }
            if (location.empty()) {
                result.error = HttpError::BadStatus;
                return result;
            }
            address = ResolveRedirect(address, location);
            continue;
        }
        if (status != 200) {
            result.error = HttpError::BadStatus;
            return result;
        }

        const std::wstring length = QueryHeaderText(request.get(), WINHTTP_QUERY_CONTENT_LENGTH);
        const unsigned long long declared =
            length.empty() ? 0 : wcstoull(length.c_str(), nullptr, 10);
        if (declared > options.maxBodyBytes) {
            result.error = HttpError::TooLarge;
            return result;
        }
        sink.BodyBegins(length.empty() ? std::nullopt : std::optional(declared));

        std::vector<char> chunk(kReadChunk);
        unsigned long long received = 0;
        for (;;) {
            // Wine's WinHttpReadData waits until it has filled the buffer; asking
            // for what has arrived hands a slow body on as it comes.
            DWORD available = 0;
            DWORD read = 0;
            if (!WinHttpQueryDataAvailable(request.get(), &available) ||
                (available > 0 && !WinHttpReadData(request.get(), chunk.data(),
                                                   std::min(available, kReadChunk), &read))) {
                const DWORD code = GetLastError();
                HttpResult failed = Fail(ClassifySystemError(code), code);
                failed.status = status;
                return failed;
            }
            if (read == 0)
                break;
            if (shared.cancelled)
                return Fail(HttpError::Cancelled, 0);
            if (received + read > options.maxBodyBytes) {
                result.error = HttpError::TooLarge;
                return result;
            }
            received += read;
            if (!sink.BodyPiece(chunk.data(), read))
                return Failure(HttpError::Cancelled, 0);
        }
        if (shared.cancelled)
            return Fail(HttpError::Cancelled, 0);
        if (!length.empty() && received < declared)
            result.error = HttpError::ConnectionLost; // closed before the whole body came
        return result;
    }
}

} // namespace
