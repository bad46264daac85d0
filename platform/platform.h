// Everything a command may reach outside itself, handed to it as one bundle.
#pragma once

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/network.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace kovrel::platform {

struct Platform {
    Ui& ui;
    Dialogs& dialogs;
    Clipboard& clipboard;
    Files& files;
    Processes& processes;
    Libraries& libraries;
    System& system;
    HttpClient& http;
    XmlDocument& feedDocument;
};

}  // namespace kovrel::platform
