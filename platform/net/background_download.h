// One download (HTTP, or FTP with an anonymous login) into a file, on a worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace kovrel::platform {

// Event codes of the download facility, as its listener receives them.
enum class DownloadEvent : int {
    TransferStarted = 1,
    DataReceived = 2,
    TransferFinished = 3,
    ThreadContinues = 4,
    ThreadEndedNormally = 5,
    ThreadEndedAbnormally = 6,
    SameNameFileExists = 7,
    DownloadRange = 8,
};

struct DownloadProgress {
    int64_t received = 0;
    int64_t total = -1;           // -1 while the size is unknown
    double bytesPerSecond = 0.0;  // over the last report interval
};

class BackgroundDownload {
public:
    // Called on the worker thread; the listener hands events on to its own thread.
    using Listener = std::function<void(DownloadEvent, const DownloadProgress&)>;

    BackgroundDownload() = default;
    BackgroundDownload(const BackgroundDownload&) = delete;
    BackgroundDownload& operator=(const BackgroundDownload&) = delete;
    ~BackgroundDownload();

    // Starts fetching `url` into `path`. Events: TransferStarted once the first bytes (or
    // the end of an empty body) arrive, DataReceived now and then, then TransferFinished
    // only after a complete transfer (success status, every announced byte, file flushed);
    // any failure sends ThreadEndedAbnormally instead and removes the partial file.
    // False when a download already runs or the worker cannot start.
    bool start(const std::string& url, const std::string& path, Listener listener);
    // Aborts a running transfer and waits for the worker; the partial file is removed and
    // no further event is sent.
    void stop();

private:
    void run(std::string url, std::string path);

    std::thread worker_;
    std::atomic<bool> stopRequested_{false};
    Listener listener_;
};

}  // namespace kovrel::platform
