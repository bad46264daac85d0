// The menu item "检测升级": reads the update feed and, for a newer version the user accepts,
// starts the updater and ends the program.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace kovrel::update {

// `updaterImage`: the updater program's bytes, written to disk when it is missing there.
void checkForUpdate(platform::Platform& platform, std::string_view updaterImage);

}  // namespace kovrel::update
