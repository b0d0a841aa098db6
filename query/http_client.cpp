#include "http_client.h"

#include <winhttp.h>

#include "background_work.h"
#include "kernel_handle.h"

#include <algorithm>
#include <cwctype>
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

// Whether `address` is `scheme` (lower case), "://" and more, the scheme in
// any case.
bool HasScheme(std::wstring_view address, std::wstring_view scheme) {
    return address.size() > scheme.size() + 3 && address.substr(scheme.size()).starts_with(L"://") &&
           std::equal(scheme.begin(), scheme.end(), address.begin(),
                      [](wchar_t a, wchar_t b) { return a == static_cast<wchar_t>(towlower(b)); });
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

bool IsHttpAddress(std::wstring_view url) {
    return HasScheme(url, L"http") || HasScheme(url, L"https");
}

bool RedirectAllowed(std::wstring_view from, std::wstring_view to) {
    return !(HasScheme(from, L"https") && HasScheme(to, L"http"));
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

// Where a body stands across its connections.
struct BodyProgress {
    bool begun = false;                       // the sink has heard BodyBegins
    unsigned long long delivered = 0;         // bytes handed to the sink
    std::optional<unsigned long long> length; // the whole body's, when declared
    std::wstring validator;                   // a strong ETag or Last-Modified, for If-Range
    std::wstring address;                     // where the body came from, redirects followed
};

// One connection's outcome: the result, and whether asking again from the
// first missing byte may help.
struct Attempt {
    HttpResult result;
    bool resumable = false;
    bool progressed = false; // bytes reached the sink on this connection
};

// "bytes A-B/T" → A (and T when given); nothing when it cannot be read.
std::optional<unsigned long long> RangeStart(const std::wstring& contentRange,
                                             std::optional<unsigned long long>& total) {
    const size_t digits = contentRange.find_first_of(L"0123456789");
    if (contentRange.rfind(L"bytes", 0) != 0 || digits == std::wstring::npos)
        return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long long start = wcstoull(contentRange.c_str() + digits, &end, 10);
    const size_t slash = contentRange.find(L'/');
    if (slash != std::wstring::npos && slash + 1 < contentRange.size() &&
        iswdigit(contentRange[slash + 1]))
        total = wcstoull(contentRange.c_str() + slash + 1, nullptr, 10);
    return start;
}

std::optional<unsigned long long> DeclaredLength(HINTERNET request) {
    const std::wstring length = QueryHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH);
    if (length.empty() || !iswdigit(length[0]))
        return std::nullopt;
    return wcstoull(length.c_str(), nullptr, 10);
}

// The validator that tells a resumed answer is the same body. A weak ETag
// does not do for a range (RFC 9110), the date does.
std::wstring Validator(HINTERNET request) {
    std::wstring tag = QueryHeaderText(request, WINHTTP_QUERY_ETAG);
    if (!tag.empty() && !tag.starts_with(L"W/"))
        return tag;
    return QueryHeaderText(request, WINHTTP_QUERY_LAST_MODIFIED);
}

// Sends one GET and follows its redirects; `request` is left holding the
// final answer's handle. `headers` go with every request of the chain.
HttpResult OpenAnswer(const HttpClient::Shared& shared, HINTERNET session, std::wstring& address,
                      const std::wstring& headers, const HttpOptions& options,
                      InternetHandle& connection, InternetHandle& request) {
    auto Fail = [&shared](HttpError error, DWORD systemError) {
        return Failure(shared.cancelled ? HttpError::Cancelled : error, systemError);
    };
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

        request.reset();
        connection.reset(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
        if (!connection)
            return Fail(ClassifySystemError(GetLastError()), GetLastError());
        const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
        request.reset(WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
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

        if (!WinHttpSendRequest(request.get(),
                                headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0,
                                0) ||
            !WinHttpReceiveResponse(request.get(), nullptr)) {
            const DWORD code = GetLastError();
            return Fail(ClassifySystemError(code), code);
        }
        if (shared.cancelled)
            return Fail(HttpError::Cancelled, 0);

        HttpResult result;
        DWORD size = sizeof(result.status);
        if (!WinHttpQueryHeaders(
                request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                WINHTTP_HEADER_NAME_BY_INDEX, &result.status, &size, WINHTTP_NO_HEADER_INDEX))
            return Fail(HttpError::ConnectionLost, GetLastError());
        if (!IsRedirect(result.status))
            return result;
        const std::wstring location = QueryHeaderText(request.get(), WINHTTP_QUERY_LOCATION);
        if (hop >= options.maxRedirects) {
            result.error = HttpError::TooManyRedirects;
            return result;
        }
        const std::wstring next = location.empty() ? L"" : ResolveRedirect(address, location);
        if (next.empty() || !RedirectAllowed(address, next)) {
            result.error = HttpError::BadStatus; // an answer that cannot be followed
            return result;
        }
        address = next;
    }
}

// One connection: the first request of the body, or a resumption of it from
// `body.delivered`, read until it ends or breaks.
Attempt FetchOnce(const HttpClient::Shared& shared, HINTERNET session, const HttpOptions& options,
                  HttpBodySink& sink, BodyProgress& body) {
    Attempt attempt;
    HttpResult& result = attempt.result;
    auto Fail = [&shared, &attempt](HttpError error, DWORD systemError, bool resumable) {
        attempt.result = Failure(shared.cancelled ? HttpError::Cancelled : error, systemError);
        attempt.resumable = resumable && !shared.cancelled;
        return attempt;
    };
    std::wstring headers;
    if (body.begun) {
        headers = L"Range: bytes=" + std::to_wstring(body.delivered) + L"-\r\n";
        if (!body.validator.empty())
            headers += L"If-Range: " + body.validator + L"\r\n";
    }
    InternetHandle connection, request;
    result = OpenAnswer(shared, session, body.address, headers, options, connection, request);
    if (!result.ok()) {
        // Once the body has begun, a server that is not there for a moment
        // may be there again.
        attempt.resumable = body.begun && !shared.cancelled &&
                            (result.error == HttpError::CannotConnect ||
                             result.error == HttpError::Timeout ||
                             result.error == HttpError::ConnectionLost);
        return attempt;
    }

    // What of this answer's body the sink has had already.
    unsigned long long skip = 0;
    if (!body.begun) {
        if (result.status != 200) {
            result.error = HttpError::BadStatus;
            return attempt;
        }
        body.length = DeclaredLength(request.get());
        if (options.maxBodyBytes && body.length && *body.length > options.maxBodyBytes) {
            result.error = HttpError::TooLarge;
            return attempt;
        }
        body.validator = Validator(request.get());
        body.begun = true;
        sink.BodyType(QueryHeaderText(request.get(), WINHTTP_QUERY_CONTENT_TYPE));
        sink.BodyBegins(body.length);
    } else {
        std::optional<unsigned long long> total;
        if (result.status == 206) {
            const std::optional<unsigned long long> start =
                RangeStart(QueryHeaderText(request.get(), WINHTTP_QUERY_CONTENT_RANGE), total);
            if (!start || *start > body.delivered)
                return Fail(HttpError::ConnectionLost, 0, false);
            skip = body.delivered - *start;
        } else if (result.status == 200) {
            // The server ignored the range: the whole body again, read past
            // what the sink has.
            total = DeclaredLength(request.get());
            skip = body.delivered;
        } else {
            return Fail(HttpError::ConnectionLost, 0, false); // it cannot resume
        }
        if (total && body.length && *total != *body.length)
            return Fail(HttpError::ConnectionLost, 0, false); // another body by now
        result.status = 200;
    }

    std::vector<char> chunk(kReadChunk);
    for (;;) {
        // Wine's WinHttpReadData waits until it has filled the buffer; asking
        // for what has arrived hands a slow body on as it comes.
        DWORD available = 0;
        DWORD read = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &available) ||
            (available > 0 && !WinHttpReadData(request.get(), chunk.data(),
                                               std::min(available, kReadChunk), &read))) {
            const DWORD code = GetLastError();
            const HttpError error = ClassifySystemError(code);
            return Fail(error, code,
                        error == HttpError::ConnectionLost || error == HttpError::Timeout);
        }
        if (read == 0)
            break;
        if (shared.cancelled)
            return Fail(HttpError::Cancelled, 0, false);
        const char* piece = chunk.data();
        if (skip > 0) {
            const DWORD skipped = static_cast<DWORD>(std::min<unsigned long long>(skip, read));
            skip -= skipped;
            piece += skipped;
            read -= skipped;
            if (read == 0)
                continue;
        }
        if (options.maxBodyBytes && body.delivered + read > options.maxBodyBytes) {
            result.error = HttpError::TooLarge;
            return attempt;
        }
        body.delivered += read;
        attempt.progressed = true;
        if (!sink.BodyPiece(piece, read))
            return Fail(HttpError::Cancelled, 0, false);
    }
    if (shared.cancelled)
        return Fail(HttpError::Cancelled, 0, false);
    if (body.length && body.delivered < *body.length)
        return Fail(HttpError::ConnectionLost, 0, true); // closed before the whole body came
    return attempt;
}

HttpResult Transfer(const HttpClient::Shared& shared, std::wstring address,
                    const HttpOptions& options, HttpBodySink& sink) {
    InternetHandle session(OpenSession());
    if (!session)
        return Failure(shared.cancelled ? HttpError::Cancelled : HttpError::ConnectionLost,
                       GetLastError());
    const int connect = static_cast<int>(options.connectTimeoutMs);
    WinHttpSetTimeouts(session.get(), connect, connect, static_cast<int>(options.sendTimeoutMs),
                       static_cast<int>(options.receiveTimeoutMs));

    BodyProgress body;
    body.address = std::move(address);
    std::optional<HttpResult> broken; // how the body first broke off, in this run of attempts
    DWORD failures = 0;
    for (;;) {
        Attempt attempt = FetchOnce(shared, session.get(), options, sink, body);
        if (attempt.result.ok() || shared.cancelled)
            return attempt.result;
        if (attempt.progressed || !broken) {
            broken = attempt.result;
            failures = 0;
        }
        // A server that cannot resume ends the body as the break did.
        if (!attempt.resumable || failures >= options.resumeAttempts)
            return *broken;
        const DWORD delay = options.resumeDelayMs << std::min<DWORD>(failures, 16);
        ++failures;
        if (WaitForSingleObject(shared.cancelEvent.get(), delay) == WAIT_OBJECT_0)
            return Failure(HttpError::Cancelled, 0);
    }
}

} // namespace
