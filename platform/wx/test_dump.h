// Test hook for the end-to-end tests, off unless KOVREL_TEST_DUMP names a file.
//
// With KOVREL_TEST_DUMP=<file> set, the program writes the state of its window to <file>
// (replaced whole, through a rename) on SIGUSR1 and whenever a message box opens or closes.
// One line per item, UTF-8, fields separated by tabs; "\\", "\t", "\r" and "\n" inside a
// field are written as \\ \t \r \n:
//   dump <n>                          counts the dumps written so far
//   window <caption> <width> <height>
//   text <control> <text>             edit boxes, code editor, labels, buttons
//   checked <control> <0|1>           radio buttons
//   colour <picker> <RRGGBB as 0xBBGGRR in hex>
//   font <chooser> <name> <size>
//   rows <list> <count>
//   row <index> <column 0> ... <column 4>   the first 50 rows and the last
//   message <title> <text>            every message box shown so far, in order
//   open <title> <text>               the box open now, if any
//   handled <n> <control> <event> <ms>      the last 20 event handlers run and how long each took
#pragma once

namespace kovrel::platform {

class WxUi;
class WxDialogs;

// Does nothing when the variable is not set.
void installTestDump(WxUi& ui, WxDialogs& dialogs);

}  // namespace kovrel::platform
