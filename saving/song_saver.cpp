#include "song_saver.h"

#include "file_names.h"
#include "kernel_handle.h"
#include "list_export.h"
#include "whole_file.h"

#include <memory>
#include <mutex>

namespace {

std::optional<unsigned long long> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring SystemText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = text ? text : L"";
    LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out.empty() ? L"错误 " + std::to_wstring(code) : out;
}

// The mark browsers leave on a download: where it came from. Where the file
// system keeps no such streams, the file simply goes without.
void MarkAsDownloaded(const std::wstring& path, const std::wstring& address) {
    wchar_t volume[MAX_PATH];
    DWORD flags = 0;
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH) ||
        !GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        !(flags & FILE_NAMED_STREAMS))
        return; // elsewhere "name:stream" would be a file of its own
    std::wstring from = address;
    for (wchar_t& c : from)
        if (c == L'\r' || c == L'\n')
            c = L' '; // one line: the address cannot add lines of its own
    const std::string text = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + Utf8(from) + "\r\n";
    KernelHandle stream(CreateFileW((path + L":Zone.Identifier").c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (stream.get() != INVALID_HANDLE_VALUE)
        WriteFile(stream.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Writes the body into the temporary file; decides the final name once the
// answer's type and length are known.
class FileSink final : public HttpBodySink {
  public:
    FileSink(const SaveRequest& request, SaveProgressFn progress)
        : request_(request), progress_(std::move(progress)), ended_(CreateEventHandle(true)) {}

    void BodyType(const std::wstring& contentType) override { contentType_ = contentType; }

    void BodyBegins(std::optional<unsigned long long> length) override {
        std::lock_guard lock(mutex_);
        length_ = length;
        const std::wstring stem = request_.target;
        const std::wstring extension =
            request_.addExtension ? AudioExtension(request_.address, contentType_) : L"";
        finalPath_ = stem + extension;
        if (request_.keepExisting) {
            for (int n = 2; Exists(finalPath_); ++n) {
                if (length && FileSize(finalPath_) == length) {
                    skipped_ = true; // the same song is there already
                    return;
                }
                finalPath_ = stem + L" (" + std::to_wstring(n) + L")" + extension;
            }
        }
        file_.emplace(finalPath_);
        if (!file_->ok())
            writeError_ = file_->error();
    }

    bool BodyPiece(const char* data, size_t size) override {
        unsigned long long done = 0;
        {
            std::lock_guard lock(mutex_);
            if (skipped_ || !file_ || !file_->ok())
                return false;
            if (!file_->Write(data, size)) {
                writeError_ = file_->error();
                return false;
            }
            done = done_ += size;
        }
        if (progress_)
            progress_(done, length_); // length_ is set once, before the first piece
        return true;
    }

    void TransferEnded(const HttpResult& result) override {
        std::lock_guard lock(mutex_);
        result_ = result;
        SetEvent(ended_.get());
    }

    HANDLE Ended() const { return ended_.get(); }

    // Once the transfer has ended: the file under its final name, or nothing.
    SaveResult Finish(bool cancelled) {
        std::lock_guard lock(mutex_);
        SaveResult out;
        out.bytes = done_;
        out.path = finalPath_;
        const bool complete = result_.ok() && file_ && file_->ok() && (!length_ || *length_ == done_);
        if (skipped_) {
            out.outcome = SaveResult::Outcome::Skipped;
        } else if (cancelled) {
            out.outcome = SaveResult::Outcome::Cancelled;
        } else if (writeError_) {
            out.reason = L"无法写入文件: " + SystemText(writeError_);
        } else if (!result_.ok()) {
            out.reason = DownloadFailureText(result_);
        } else if (!complete) {
            out.reason = L"下载不完整";
        }
        if (complete && !skipped_ && !cancelled) {
            if (file_->Commit(!request_.keepExisting)) {
                MarkAsDownloaded(finalPath_, request_.address);
                out.outcome = SaveResult::Outcome::Saved;
                return out;
            }
            out.reason = L"无法写入文件: " + SystemText(file_->error());
        }
        file_.reset(); // an uncommitted file goes
        return out;
    }

  private:
    const SaveRequest request_;
    const SaveProgressFn progress_;
    KernelHandle ended_;
    std::mutex mutex_;
    std::wstring contentType_;
    std::optional<unsigned long long> length_;
    std::wstring finalPath_;
    std::optional<WholeFile> file_; // once the final name is known
    unsigned long long done_ = 0;
    DWORD writeError_ = 0;
    bool skipped_ = false;
    HttpResult result_;
};

} // namespace

HttpOptions SaveHttpOptions() {
    HttpOptions options;
    options.maxBodyBytes = 0; // the file, not memory, holds the song
    options.resumeAttempts = 4;
    return options;
}

std::wstring DownloadFailureText(const HttpResult& result) {
    switch (result.error) {
    case HttpError::None:
        return L"";
    case HttpError::InvalidAddress:
        return L"地址无效";
    case HttpError::CannotConnect:
        return L"无法连接服务器";
    case HttpError::Timeout:
        return L"服务器没有响应";
    case HttpError::BadStatus:
        return L"服务器拒绝了请求 (HTTP " + std::to_wstring(result.status) + L")";
    case HttpError::TooLarge:
        return L"文件太大";
    case HttpError::TooManyRedirects:
        return L"重定向过多";
    case HttpError::ConnectionLost:
        return L"连接中断";
    case HttpError::Cancelled:
        return L"已取消";
    case HttpError::NoResources:
        return L"系统资源不足";
    }
    return L"下载失败";
}

SaveResult SaveSong(const SaveRequest& request, const HttpOptions& http,
                    const std::atomic<bool>& cancelled, const SaveProgressFn& progress) {
    auto sink = std::make_shared<FileSink>(request, progress);
    if (!sink->Ended()) {
        SaveResult out;
        out.reason = L"系统资源不足";
        return out;
    }
    HttpClient client(http);
    client.Stream(request.address, sink);
    bool cancelSent = false;
    while (WaitForSingleObject(sink->Ended(), 50) == WAIT_TIMEOUT)
        if (cancelled && !cancelSent) {
            client.Cancel();
            cancelSent = true;
        }
    // The transfer has ended: nothing writes to the temporary file any more.
    return sink->Finish(cancelled);
}
