#include "update/update_check.h"

#include <string>

#include "platform/encoding.h"
#include "update/update_feed.h"

namespace kovrel::update {
namespace {

using platform::gbk;

constexpr int kServerMessageMilliseconds = 3000;
constexpr int kNoNewVersionMilliseconds = 3000;

// Puts the updater in place; an existing one is never replaced. Failures are ignored.
void writeUpdater(platform::Platform& p, std::string_view updaterImage) {
    char separator = p.system.pathSeparator();
    std::string folder = p.system.executableDirectory() + separator + std::string(kUpdaterFolderName);
    std::string file = folder + separator + std::string(kUpdaterFileName);
    if (p.files.exists(folder)) {
        if (p.files.exists(file)) return;
    } else {
        p.files.createDirectory(folder);
    }
    p.files.write(file, updaterImage);
    p.files.setExecutable(file);
}

std::string feedAttribute(platform::Platform& p, std::string_view name) {
    return p.feedDocument.attribute(gbk(kFeedElementPath), gbk(name));
}

}  // namespace

void checkForUpdate(platform::Platform& p, std::string_view updaterImage) {
    p.ui.setText(platform::kMainWindowName, gbk("检测升级中..."));
    writeUpdater(p, updaterImage);

    std::optional<std::string> reply = p.http.get(feedUrl(updateServer()));
    if (!reply || reply->empty()) {
        p.dialogs.timedMessageBox(gbk("未接通升级服务器"), gbk("提示信息"), kServerMessageMilliseconds);
        p.ui.setText(platform::kMainWindowName, versionCaption());
        return;
    }

    std::string_view bytes = *reply;
    bytes = bytes.substr(0, bytes.find('\0'));
    p.feedDocument.load(platform::utf8ToGbk(bytes));

    std::string versionText = feedAttribute(p, kVersionAttribute);
    if (isNewerVersion(readVersionNumber(versionText))) {
        std::string text = gbk("发现有新版本可以更新！\r\n\r\n版本号：") + versionText + gbk("\r\n下载说明：") +
                           feedAttribute(p, kNotesAttribute);
        if (p.dialogs.messageBox(text, platform::kStyleOkCancelInformation, gbk("版本升级")) == platform::kMessageOk) {
            std::string commandLine =
                updaterCommandLine(p.feedDocument, p.system.executableDirectory(), p.system.pathSeparator());
            p.processes.startProgram(commandLine);
            p.system.endProgram(0);
            return;
        }
    } else {
        p.ui.setText(platform::kMainWindowName, gbk("未检测到新版本"));
        p.system.sleep(kNoNewVersionMilliseconds);
    }
    p.ui.setText(platform::kMainWindowName, versionCaption());
    p.ui.processPendingEvents();
}

}  // namespace kovrel::update
