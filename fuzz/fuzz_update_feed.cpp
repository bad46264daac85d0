// The update feed as the check reads it: bytes up to the first zero, UTF-8 to GBK, the XML
// reader, the five attributes, the version rule and the updater's command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/encoding.h"
#include "platform/net/feed_document.h"
#include "update/update_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace update = kovrel::update;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bytes = bytes.substr(0, bytes.find('\0'));

    kovrel::platform::PugiXmlDocument feed;
    feed.load(kovrel::platform::utf8ToGbk(bytes));
    std::string path = kovrel::platform::gbk(update::kFeedElementPath);
    std::string version = feed.attribute(path, kovrel::platform::gbk(update::kVersionAttribute));
    double number = update::readVersionNumber(version);
    (void)update::isNewerVersion(number);
    std::string line = update::updaterCommandLine(feed, "/opt/kovrel", '/');
    if (line.rfind("/opt/kovrel/", 0) != 0) __builtin_trap();

    // The raw input as an attribute value and as a version text too.
    (void)kovrel::platform::decodeFeedEntities(bytes);
    (void)update::readVersionNumber(bytes);
    (void)update::fullWidthToAscii(bytes);
    return 0;
}
