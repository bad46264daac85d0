#include "platform/net/background_download.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>

#include "platform/net/curl_http_client.h"

namespace kovrel::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kConnectSeconds = 30;
// A transfer that moves less than one byte a second for a minute has stalled.
constexpr long kStallBytes = 1;
constexpr long kStallSeconds = 60;
constexpr auto kReportInterval = std::chrono::milliseconds(200);

struct Transfer {
    CURL* curl = nullptr;
    FILE* file = nullptr;
    const std::atomic<bool>* stopRequested = nullptr;
    const BackgroundDownload::Listener* listener = nullptr;
    bool started = false;
    bool writeFailed = false;
    int64_t received = 0;
    Clock::time_point lastReport{};
    int64_t lastReportBytes = 0;

    DownloadProgress progress() const {
        DownloadProgress p;
        p.received = received;
        curl_off_t length = -1;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
            p.total = length;
        return p;
    }

    void report(bool force) {
        auto now = Clock::now();
        if (!force && now - lastReport < kReportInterval) return;
        DownloadProgress p = progress();
        double seconds = std::chrono::duration<double>(now - lastReport).count();
        if (seconds > 0) p.bytesPerSecond = (received - lastReportBytes) / seconds;
        lastReport = now;
        lastReportBytes = received;
        (*listener)(DownloadEvent::DataReceived, p);
    }

    void announceStart() {
        if (started) return;
        started = true;
        lastReport = Clock::now();
        (*listener)(DownloadEvent::TransferStarted, progress());
    }
};

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (t->stopRequested->load()) return 0;
    t->announceStart();
    if (fwrite(data, 1, bytes, t->file) != bytes) {
        t->writeFailed = true;
        return 0;
    }
    t->received += static_cast<int64_t>(bytes);
    t->report(false);
    return bytes;
}

int checkStop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->stopRequested->load() ? 1 : 0;
}

bool isHttp(const std::string& url) {
    std::string scheme = url.substr(0, url.find(':'));
    for (char& c : scheme)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return scheme == "http" || scheme == "https";
}

}  // namespace

BackgroundDownload::~BackgroundDownload() { stop(); }

bool BackgroundDownload::start(const std::string& url, const std::string& path, Listener listener) {
    if (worker_.joinable()) return false;
    initialiseCurl();
    stopRequested_ = false;
    listener_ = std::move(listener);
    try {
        worker_ = std::thread(&BackgroundDownload::run, this, url, path);
    } catch (...) {
        return false;
    }
    return true;
}

void BackgroundDownload::stop() {
    stopRequested_ = true;
    if (worker_.joinable()) worker_.join();
}

void BackgroundDownload::run(std::string url, std::string path) {
    Transfer t;
    t.stopRequested = &stopRequested_;
    t.listener = &listener_;
    t.file = std::fopen(path.c_str(), "wb");
    t.curl = curl_easy_init();
    bool complete = false;
    if (t.file && t.curl) {
        CURL* curl = t.curl;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);  // an error page is not a package
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytes);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkStop);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        CURLcode result = curl_easy_perform(curl);
        complete = result == CURLE_OK && !t.writeFailed && !stopRequested_;
        if (complete && isHttp(url)) {
            long status = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            complete = status >= 200 && status < 300;
        }
        if (complete) {
            curl_off_t length = -1;
            curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            complete = length < 0 || length == t.received;
        }
    }
    if (t.file && std::fclose(t.file) != 0) complete = false;
    if (complete) {
        t.announceStart();
        t.report(true);
    }
    if (t.curl) curl_easy_cleanup(t.curl);
    if (stopRequested_) {
        std::remove(path.c_str());
        return;
    }
    if (complete) {
        listener_(DownloadEvent::TransferFinished, DownloadProgress{t.received, t.received, 0.0});
    } else {
        std::remove(path.c_str());
        listener_(DownloadEvent::ThreadEndedAbnormally, DownloadProgress{t.received, -1, 0.0});
    }
}

}  // namespace kovrel::platform
