#include "updater/updater.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "updater/tree_copy.h"

namespace kovrel::updater {
namespace {

using platform::DownloadEvent;

// event                                   log line
struct EventText {
    DownloadEvent event;
    std::string_view log;
};
constexpr EventText kEventTexts[] = {
    // clang-format off
    {DownloadEvent::TransferStarted,       " #传送常量.下载上传开始\r\n"},
    {DownloadEvent::DataReceived,          " #传送常量.收到数据\r\n"},
    {DownloadEvent::TransferFinished,      " #传送常量.下载上传结束\r\n"},
    {DownloadEvent::ThreadContinues,       " #传送常量.下载线程继续下载\r\n"},
    {DownloadEvent::ThreadEndedNormally,   " #传送常量.线程正常结束\r\n"},
    {DownloadEvent::ThreadEndedAbnormally, " #传送常量.线程异常结束\r\n"},
    {DownloadEvent::SameNameFileExists,    " #传送常量.存在同名文件\r\n"},
    {DownloadEvent::DownloadRange,         " #传送常量.下载数据范围\r\n"},
    // clang-format on
};

// Argument positions (after the program's own path, counted from 1).
constexpr size_t kMinimumArguments = 6;
constexpr size_t kAddressArgument = 2;
constexpr size_t kProgramArgument = 5;

// Shortest text of a number already rounded to two decimals.
std::string twoDecimals(double value, bool keepZeros) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string out = text;
    if (!keepZeros && out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out;
}

void removePath(const std::string& path, bool whole) {
    std::error_code error;
    if (whole) std::filesystem::remove_all(path, error);
    else std::filesystem::remove(path, error);
}

}  // namespace

std::string sizeText(int64_t bytes) { return twoDecimals(std::round(bytes / 1000.0 * 100.0) / 100.0, false) + "K"; }

std::string speedText(double bytesPerSecond) { return twoDecimals(bytesPerSecond / 1000.0, true) + "KB/s"; }

int progressPercent(int64_t received, int64_t total) {
    if (total <= 0) return 0;
    double percent = std::round(static_cast<double>(received) * 100.0 / static_cast<double>(total));
    return percent < 0 ? 0 : percent > 100 ? 100 : static_cast<int>(percent);
}

Updater::Updater(UpdaterHost& host, std::string ownFolder) : host_(host), ownFolder_(std::move(ownFolder)) {
    while (ownFolder_.size() > 1 && ownFolder_.back() == '/') ownFolder_.pop_back();
}

std::string Updater::packagePath() const {
    return ownFolder_ + "/" + std::string(kDownloadFolderName) + "/temp" + std::to_string(kTaskNumber) + ".zip";
}

std::string Updater::unpackFolder() const { return ownFolder_ + "/" + std::string(kUnpackFolderName); }

std::string Updater::converterFolder() const { return ownFolder_ + "/../"; }

void Updater::append(std::string_view text) {
    log_ += text;
    host_.appendLog(text);
}

bool Updater::start(const std::vector<std::string>& arguments) {
    if (arguments.size() < kMinimumArguments || arguments[0] != kMagicArgument) {
        host_.messageBox("程序调用参数错误！", kStyleErrorOk, "");
        return false;
    }
    arguments_ = arguments;
    host_.showTitle(arguments_[2]);
    append("执行下载任务" + std::to_string(kTaskNumber));
    std::error_code error;
    std::filesystem::create_directory(ownFolder_ + "/" + std::string(kDownloadFolderName), error);
    removePath(packagePath(), false);
    host_.startDownload(arguments_[kAddressArgument - 1], packagePath());
    return true;
}

void Updater::onDownloadEvent(int event, const platform::DownloadProgress& progress) {
    const EventText* known = nullptr;
    for (const EventText& row : kEventTexts)
        if (static_cast<int>(row.event) == event) known = &row;
    if (!known) {
        append("未知消息 " + std::to_string(event) + "\r\n");
        return;
    }
    append(known->log);
    switch (known->event) {
        case DownloadEvent::TransferStarted:
            host_.showTitle(arguments_.size() > 2 ? arguments_[2] : std::string());
            host_.showSize(progress.total >= 0 ? sizeText(progress.total) : std::string());
            host_.showProgressBar(false);
            host_.showStatus(true, "下载开始");
            break;
        case DownloadEvent::DataReceived:
            host_.showStatus(false, "");
            host_.showProgressBar(true);
            host_.setProgress(progressPercent(progress.received, progress.total));
            host_.showSpeed(speedText(progress.bytesPerSecond));
            break;
        case DownloadEvent::TransferFinished:
            host_.showProgressBar(false);
            host_.showStatus(true, "下载结束");
            host_.showSpeed("");
            install();
            break;
        default: break;
    }
}

void Updater::install() {
    // Left over from an interrupted run, its files would be installed with the new ones.
    removePath(unpackFolder(), true);
    std::error_code error;
    std::filesystem::create_directory(unpackFolder(), error);
    // An archive that does not unpack whole installs nothing, never a part of the package.
    if (host_.unpackZip(packagePath(), unpackFolder()))
        copyFolderTree(unpackFolder(), converterFolder(), [this] { host_.processPendingEvents(); });
    removePath(packagePath(), false);
    removePath(unpackFolder(), true);
    host_.startProgram(converterFolder() + arguments_[kProgramArgument - 1]);
    host_.endProgram();
}

bool Updater::onCloseRequest() {
    if (log_.empty() || log_.find("下载上传结束") != std::string::npos) return true;
    if (host_.messageBox("请等待下载完成...", kStyleOkCancelInformation, "提示信息") == kMessageOk) return false;
    host_.stopDownload();
    return true;
}

}  // namespace kovrel::updater
