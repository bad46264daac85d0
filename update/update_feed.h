// Reading the update feed and building the updater's command line.
#pragma once

#include <string>
#include <string_view>

#include "platform/network.h"

namespace kovrel::update {

inline constexpr double kApplicationVersion = 3.2;
// A feed version counts as newer only when it is above kApplicationVersion by more than this.
inline constexpr double kNewerThreshold = 1e-7;

// Names as they are written on this system (UTF-8 on disk).
inline constexpr std::string_view kUpdaterFolderName = "升级文件";
inline constexpr std::string_view kUpdaterFileName = "update";
inline constexpr std::string_view kConverterFileName = "Kovrel";
inline constexpr std::string_view kFeedPath = "/Kovrel.xml";
// The environment variable that names the update server ("host" or "host:port").
inline constexpr char kUpdateServerVariable[] = "KOVREL_UPDATE_SERVER";

// The feed's element path and the five attributes read from it (UTF-8; the feed document
// holds GBK, so callers take them through platform::gbk()).
inline constexpr std::string_view kFeedElementPath = "最新版本/版本信息";
inline constexpr std::string_view kVersionAttribute = "版本号";
inline constexpr std::string_view kNotesAttribute = "升级说明";
inline constexpr std::string_view kAddressAttribute = "下载地址";
inline constexpr std::string_view kTitleAttribute = "文件标题";
inline constexpr std::string_view kFileNameAttribute = "文件名";

// The caption the window shows while no command has its own: "Kovrel", 50 spaces,
// "版本号：", the version (GBK).
std::string versionCaption();

// KOVREL_UPDATE_SERVER when set and not empty, otherwise the build's default.
std::string updateServer();
std::string feedUrl(std::string_view server);

// Full-width ASCII forms (U+FF01..U+FF5E, and the ideographic space) become ASCII.
// GBK in, GBK out.
std::string fullWidthToAscii(std::string_view gbk);

// The number at the start of the text, read like strtod after the full-width mapping:
// blanks, an optional sign, digits, an optional point with digits, an optional exponent;
// no number reads as 0. Hexadecimal forms, "inf" and "nan" are not numbers here.
double readVersionNumber(std::string_view gbk);

bool isNewerVersion(double version);

// The updater's command line, every attribute read afresh from the feed, nothing quoted:
// <run dir>/升级文件/update 甲乙丙丁 <下载地址> <文件标题> 运行 Kovrel <文件名> <升级说明>.
// `runDirectory` and the result are in the system's encoding (UTF-8); the feed's GBK
// values are converted.
std::string updaterCommandLine(const platform::XmlDocument& feed, std::string_view runDirectory, char separator);

}  // namespace kovrel::update
