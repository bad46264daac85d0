// The background download against real servers on 127.0.0.1: HTTP and anonymous FTP,
// complete, broken and stopped transfers.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/net/background_download.h"
#include "tests/update/loopback_servers.h"

namespace {

namespace fs = std::filesystem;
using kovrel::platform::BackgroundDownload;
using kovrel::platform::DownloadEvent;
using kovrel::platform::DownloadProgress;
using kovrel::testing::ScratchFolder;

// Collects the events the worker sends and waits (bounded) for the last one.
class EventLog {
public:
    BackgroundDownload::Listener listener() {
        return [this](DownloadEvent event, const DownloadProgress& progress) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(event);
            progress_.push_back(progress);
            changed_.notify_all();
        };
    }
    // Waits until an event of this kind arrived; false after 30 s.
    bool waitFor(DownloadEvent event) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] {
            for (DownloadEvent e : events_)
                if (e == event) return true;
            return false;
        });
    }
    std::vector<DownloadEvent> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::vector<DownloadProgress> progress() {
        std::lock_guard<std::mutex> lock(mutex_);
        return progress_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<DownloadEvent> events_;
    std::vector<DownloadProgress> progress_;
};

std::string package(size_t bytes) {
    std::string data(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>((i * 131 + 7) % 251);
    return data;
}

enum class Server { Http, Ftp, None };

struct DownloadCase {
    const char* name;
    Server server;
    const char* path;  // on the server
    size_t bytes;      // size of the file served at `path` when the transfer completes
    bool complete;
};

// name                  server         path                 bytes     complete
const DownloadCase kDownloadCases[] = {
    // clang-format off
    {"HTTP package",      Server::Http,  "/p.zip",            300000,   true},
    {"HTTP empty file",   Server::Http,  "/empty.zip",        0,        true},
    {"HTTP not found",    Server::Http,  "/missing.zip",      0,        false},
    {"HTTP cut short",    Server::Http,  "/truncated.zip",    0,        false},
    {"FTP package",       Server::Ftp,   "/p.zip",            300000,   true},
    {"FTP not found",     Server::Ftp,   "/missing.zip",      0,        false},
    {"no server",         Server::None,  "/p.zip",            0,        false},
    // clang-format on
};

TEST(BackgroundDownload, FinishesOnlyAfterACompleteTransfer) {
    ScratchFolder root;
    for (const DownloadCase& c : kDownloadCases)
        if (c.complete) kovrel::testing::writeFile(root.path() + c.path, package(c.bytes));
    kovrel::testing::HttpServer http(root.path());
    kovrel::testing::FtpServer ftp(root.path());
    ASSERT_GT(http.port(), 0);
    ASSERT_GT(ftp.port(), 0);

    for (const DownloadCase& c : kDownloadCases) {
        SCOPED_TRACE(c.name);
        ScratchFolder target;
        std::string file = target / "temp1.zip";
        std::string url = c.server == Server::Http ? http.url(c.path)
                          : c.server == Server::Ftp
                              ? ftp.url(c.path)
                              : "http://127.0.0.1:" + std::to_string(kovrel::testing::closedLoopbackPort()) + c.path;
        EventLog log;
        BackgroundDownload download;
        ASSERT_TRUE(download.start(url, file, log.listener()));
        DownloadEvent last = c.complete ? DownloadEvent::TransferFinished : DownloadEvent::ThreadEndedAbnormally;
        ASSERT_TRUE(log.waitFor(last));
        download.stop();

        std::vector<DownloadEvent> events = log.events();
        EXPECT_EQ(events.back(), last);
        if (c.complete) {
            EXPECT_EQ(events.front(), DownloadEvent::TransferStarted);
            EXPECT_TRUE(kovrel::testing::readFile(file) == package(c.bytes)) << "the file differs from the package";
            std::vector<DownloadProgress> progress = log.progress();
            EXPECT_EQ(progress.front().total, static_cast<int64_t>(c.bytes));
            EXPECT_EQ(progress.back().received, static_cast<int64_t>(c.bytes));
            for (size_t i = 0; i + 1 < events.size(); ++i)
                if (events[i] == DownloadEvent::DataReceived) {
                    EXPECT_LE(progress[i].received, progress[i].total);
                }
        } else {
            for (DownloadEvent e : events) EXPECT_NE(e, DownloadEvent::TransferFinished);
            EXPECT_FALSE(fs::exists(file)) << "a partial package stays behind";
        }
    }
}

TEST(BackgroundDownload, StopAbortsAndRemovesThePartialFile) {
    ScratchFolder root;
    kovrel::testing::HttpServer http(root.path());
    ASSERT_GT(http.port(), 0);
    ScratchFolder target;
    std::string file = target / "temp1.zip";
    EventLog log;
    BackgroundDownload download;
    ASSERT_TRUE(download.start(http.url("/slow.zip"), file, log.listener()));
    ASSERT_TRUE(log.waitFor(DownloadEvent::TransferStarted));
    download.stop();
    size_t seen = log.events().size();
    for (DownloadEvent e : log.events()) {
        EXPECT_NE(e, DownloadEvent::TransferFinished);
        EXPECT_NE(e, DownloadEvent::ThreadEndedAbnormally);
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(log.events().size(), seen) << "events after stop";
    // A stopped download can be started again, and a running one cannot be started twice.
    EventLog again;
    ASSERT_TRUE(download.start(http.url("/slow.zip"), file, again.listener()));
    EXPECT_FALSE(download.start(http.url("/slow.zip"), file, again.listener()));
    EXPECT_TRUE(again.waitFor(DownloadEvent::TransferStarted));
    download.stop();
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
