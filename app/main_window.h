// The main window's behaviour: which command each event runs, the window-created step,
// the close confirmation, About and the exit clean-up.
#pragma once

#include <string>

#include "app/app_context.h"

namespace kovrel::app {

// "Kovrel", 50 spaces, "版本号：", "3.2" (GBK).
std::string versionCaption();
// About's caption: the authors' credit and a contact entry, five spaces apart (GBK).
std::string creditLine();

// Connects every event of the window to its command, and the close request.
void bindMainWindow(AppContext& context);
// Runs once the window exists: single-instance guard, disassembler file, caption, themed
// drawing, temporary path, colour scheme, code editor, final size.
void onWindowCreated(AppContext& context);
// The close box: true lets the window close, which ends the program.
bool confirmClose(AppContext& context);
// "关于": the credit in the caption for 6 s, then the version caption again.
void showAbout(AppContext& context);
// Runs when the program ends, whichever way.
void exitCleanUp(AppContext& context);

}  // namespace kovrel::app
