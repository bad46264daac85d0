// The updater program's logic: checks its arguments, downloads the package named on its
// command line, unpacks it over the converter's folder and starts the converter again.
// Texts here are in the system's encoding (UTF-8), like the arguments and paths they
// come with; the updater is a program of its own and never sees the converter's GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/net/background_download.h"

namespace kovrel::updater {

// Message-box style numbers used here.
inline constexpr int kStyleErrorOk = 16;
inline constexpr int kStyleOkCancelInformation = 65;
inline constexpr int kMessageOk = 0;
// The title of a box shown without one (UTF-8, like every text here).
inline constexpr std::string_view kDefaultMessageTitle = "信息：";

inline constexpr std::string_view kMagicArgument = "甲乙丙丁";
inline constexpr std::string_view kWindowCaption = "下载管理器";
inline constexpr std::string_view kLogBoxName = "编辑框1交互信息";
inline constexpr std::string_view kColumnCaptions[] = {"任务名称", "任务大小", "下载进度", "下载速度", "相关操作"};

// Names under the updater's own folder U.
inline constexpr std::string_view kDownloadFolderName = "升级文件";
inline constexpr std::string_view kUnpackFolderName = "e_update";
inline constexpr int kTaskNumber = 1;

// The window and the system as the updater uses them.
class UpdaterHost {
public:
    virtual ~UpdaterHost() = default;
    virtual void showTitle(std::string_view title) = 0;
    virtual void showSize(std::string_view size) = 0;
    virtual void showProgressBar(bool visible) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void showSpeed(std::string_view speed) = 0;
    virtual void showStatus(bool visible, std::string_view text) = 0;
    virtual void appendLog(std::string_view text) = 0;
    // 0 for OK, 1 for Cancel; the title "" means the default title.
    virtual int messageBox(std::string_view text, int style, std::string_view title) = 0;
    virtual void processPendingEvents() = 0;
    // The download reports through Updater::onDownloadEvent on the window's thread.
    virtual bool startDownload(const std::string& url, const std::string& path) = 0;
    virtual void stopDownload() = 0;
    virtual bool unpackZip(const std::string& archive, const std::string& folder) = 0;
    virtual bool startProgram(const std::string& path) = 0;
    // Closes the window and ends the updater.
    virtual void endProgram() = 0;
};

class Updater {
public:
    // `ownFolder`: U, the folder that holds the updater (the converter's folder + "/升级文件").
    Updater(UpdaterHost& host, std::string ownFolder);

    // The arguments after the program's own path. With fewer than six, or a first one
    // other than "甲乙丙丁", shows "程序调用参数错误！" and returns false (the caller ends);
    // otherwise starts download task 1.
    bool start(const std::vector<std::string>& arguments);
    // Every event of the download, on the window's thread.
    void onDownloadEvent(int event, const platform::DownloadProgress& progress);
    // True when the window may close (the download is stopped first when it runs).
    bool onCloseRequest();

    const std::string& log() const { return log_; }
    std::string packagePath() const;
    std::string unpackFolder() const;
    std::string converterFolder() const;

private:
    void append(std::string_view text);
    void install();

    UpdaterHost& host_;
    std::string ownFolder_;
    std::vector<std::string> arguments_;
    std::string log_;
};

// "12.35K": bytes / 1000 rounded to two decimals, no trailing zeros.
std::string sizeText(int64_t bytes);
// "12.34KB/s": bytes per second / 1000 with two decimals.
std::string speedText(double bytesPerSecond);
// received x 100 / total rounded to a whole number, within 0..100.
int progressPercent(int64_t received, int64_t total);

}  // namespace kovrel::updater
