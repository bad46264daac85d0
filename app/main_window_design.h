// The main window as data: every control with its kind, caption, place and size, the list's
// columns and the two popup menus. The real frame and the in-memory window are both built
// from these tables, so the two can never disagree about a name or a place.
//
// Captions are UTF-8 here (source encoding); whoever hands them to the core converts them
// with platform::gbk(). Names are identifiers and stay UTF-8 everywhere.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kovrel::app {

enum class ControlKind {
    EditBox,  // multi-line, vertical scroll bar, long lines wrapped
    Label,
    Button,
    RadioButton,
    GroupBox,
    ListView,    // report style
    CodeEditor,  // Scintilla
    ColourPicker,
    FontChooser,  // common dialog: no visible area
};

enum ControlFlag : unsigned {
    kFlagNone = 0,
    kFlagHidden = 1u << 0,   // created but never shown
    kFlagChecked = 1u << 1,  // radio button checked at start
};

struct WindowDesign {
    std::string_view name;
    std::string_view caption;
    int left, top, width, height;  // design size; start-up sets kStartupWidth x kStartupHeight
};

inline constexpr WindowDesign kMainWindowDesign{"MainWindow", "Kovrel", 50, 50, 1007, 426};
inline constexpr int kStartupWidth = 1007;
inline constexpr int kStartupHeight = 404;

// A control's place is in its parent group box's coordinates when `parent` is not empty,
// otherwise in the window's. `fontName` empty: the toolkit's default font.
// `colour` (0x00BBGGRR) is the picker's colour when the window is created.
struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    int left, top, width, height;
    std::string_view parent;
    unsigned flags;
    std::string_view fontName;
    int fontPointSize;
    uint32_t colour;
};

// Creation order: group boxes come before the controls they hold.
// name            kind                      caption               left  top  width height parent     flags         font        pt  colour
inline constexpr ControlDesign kMainWindowControls[] = {
    // clang-format off
    {"分组框1",       ControlKind::GroupBox,     "",                    267,  12, 165, 264, "",       kFlagNone,    "",         0, 0},
    {"分组框2",       ControlKind::GroupBox,     "设置",                267, 280, 165,  88, "",       kFlagNone,    "",         0, 0},
    {"编辑框1汇编",   ControlKind::EditBox,      "",                    438,  21, 232, 192, "",       kFlagNone,    "新宋体",   9, 0},
    {"编辑框2机器码", ControlKind::EditBox,      "",                    760,  21, 232, 192, "",       kFlagNone,    "",         0, 0},
    {"标签16",        ControlKind::Label,        "[汇编语句]",          440,   3,  72,  16, "",       kFlagNone,    "",         0, 0},
    {"标签15",        ControlKind::Label,        "[机器码数据]",        762,   3,  72,  16, "",       kFlagNone,    "",         0, 0},
    {"标签13",        ControlKind::Label,        "",                    520,   2, 152,  16, "",       kFlagNone,    "",         0, 0},
    {"标签14",        ControlKind::Label,        "",                    840,   2, 152,  16, "",       kFlagNone,    "",         0, 0},
    {"按钮1汇编",     ControlKind::Button,       "汇编 >>",             675,  48,  80,  24, "",       kFlagNone,    "",         0, 0},
    {"按钮2反汇编",   ControlKind::Button,       "<< 反汇编",           675,  80,  80,  24, "",       kFlagNone,    "",         0, 0},
    {"按钮1转换汉字", ControlKind::Button,       "转换成汉字",          675, 112,  80,  24, "",       kFlagNone,    "",         0, 0},
    {"单选框1十进制", ControlKind::RadioButton,  "十进制",              680, 152,  72,  16, "",       kFlagChecked, "",         0, 0},
    {"单选框2十六进制", ControlKind::RadioButton, "十六进制",           680, 176,  72,  16, "",       kFlagNone,    "",         0, 0},
    {"按钮8",         ControlKind::Button,       "汇编代码 >> 字节集", 1019,  77, 128,  27, "",       kFlagHidden,  "",         0, 0},
    {"超级列表框",    ControlKind::ListView,     "",                    438, 216, 555, 152, "",       kFlagNone,    "微软雅黑", 9, 0},
    {"代码编辑框",    ControlKind::CodeEditor,   "",                      8,  20, 253, 348, "",       kFlagNone,    "",         0, 0},
    {"通用对话框1",   ControlKind::FontChooser,  "",                    707,   5,  21,  19, "",       kFlagNone,    "",         0, 0},
    {"标签1",         ControlKind::Label,        "寄存器字高亮",          7,  16,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"寄存器",        ControlKind::ColourPicker, "",                      7,  29,  72,  24, "分组框1", kFlagNone,    "",         0, 0x00FFFF},
    {"标签2",         ControlKind::Label,        "基础指令高亮",          7,  56,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"基础指令",      ControlKind::ColourPicker, "",                      7,  70,  72,  24, "分组框1", kFlagNone,    "",         0, 0x00FF00},
    {"标签6",         ControlKind::Label,        "背景颜色高亮",          7,  96,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"背景颜色",      ControlKind::ColourPicker, "",                      7, 110,  72,  24, "分组框1", kFlagNone,    "",         0, 0x26241E},
    {"标签12",        ControlKind::Label,        "光标颜色高亮",          7, 136,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"光标颜色",      ControlKind::ColourPicker, "",                      7, 150,  72,  24, "分组框1", kFlagNone,    "",         0, 0xFFFF00},
    {"标签3",         ControlKind::Label,        "标点符号高亮",          7, 176,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"标点符号",      ControlKind::ColourPicker, "",                      7, 190,  72,  24, "分组框1", kFlagNone,    "",         0, 0x80A080},
    {"标签4",         ControlKind::Label,        "数字常量高亮",          7, 216,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"数字常量",      ControlKind::ColourPicker, "",                      7, 230,  72,  24, "分组框1", kFlagNone,    "",         0, 0xFF00FF},
    {"标签7",         ControlKind::Label,        "选择文本前景",         87,  16,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"文本前景",      ControlKind::ColourPicker, "",                     87,  30,  72,  24, "分组框1", kFlagNone,    "",         0, 0xFFFFFF},
    {"标签8",         ControlKind::Label,        "选择文本背景",         87,  56,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"文本背景",      ControlKind::ColourPicker, "",                     87,  70,  72,  24, "分组框1", kFlagNone,    "",         0, 0xFF8080},
    {"标签9",         ControlKind::Label,        "代码错误高亮",         87,  96,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"代码错误",      ControlKind::ColourPicker, "",                     87, 110,  72,  24, "分组框1", kFlagNone,    "",         0, 0x0000FF},
    {"标签5",         ControlKind::Label,        "跳转指令高亮",         87, 136,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"跳转指令",      ControlKind::ColourPicker, "",                     87, 150,  72,  24, "分组框1", kFlagNone,    "",         0, 0x0080FF},
    {"标签11",        ControlKind::Label,        "行号编号高亮",         87, 176,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"行号编号",      ControlKind::ColourPicker, "",                     87, 190,  72,  24, "分组框1", kFlagNone,    "",         0, 0x808080},
    {"标签10",        ControlKind::Label,        "行号背景高亮",         87, 216,  72,  16, "分组框1", kFlagNone,    "",         0, 0},
    {"行号背景",      ControlKind::ColourPicker, "",                     87, 230,  72,  24, "分组框1", kFlagNone,    "",         0, 0x26241E},
    {"按钮1字体",     ControlKind::Button,       "选择字体",              7,  24,  72,  24, "分组框2", kFlagNone,    "",         0, 0},
    {"按钮3保存色",   ControlKind::Button,       "保存配色",              7,  56,  72,  24, "分组框2", kFlagNone,    "",         0, 0},
    {"按钮4默认",     ControlKind::Button,       "恢复默认",             86,  24,  72,  24, "分组框2", kFlagNone,    "",         0, 0},
    {"按钮5撤销",     ControlKind::Button,       "撤销改动",             86,  56,  72,  24, "分组框2", kFlagNone,    "",         0, 0},
    // clang-format on
};

// `超级列表框`: header not clickable, full-row and single selection, grid lines,
// selection kept visible without focus.
struct ColumnDesign {
    std::string_view title;
    int width;
};

inline constexpr std::string_view kListName = "超级列表框";
// title                width
inline constexpr ColumnDesign kListColumns[] = {
    // clang-format off
    {"行号",             40},
    {"内存地址",         80},
    {"机器码(十进制)",  100},
    {"机器码(十六进制)", 110},
    {"汇编代码",        210},
    // clang-format on
};

// Popup menus. Items are named by their captions; `parent` empty means a top item of the
// menu, otherwise the caption of the top item whose submenu holds it. An item that is the
// parent of others opens a submenu and is never chosen itself.
struct MenuItemDesign {
    std::string_view menu;
    std::string_view parent;
    std::string_view caption;
};

inline constexpr std::string_view kAssemblyMenu = "菜单";  // right click on 编辑框1汇编
inline constexpr std::string_view kListMenu = "菜单2";     // right click on 超级列表框
// menu     parent         caption
inline constexpr MenuItemDesign kMenuItems[] = {
    // clang-format off
    {"菜单",  "",            "转换大小写"},
    {"菜单",  "转换大小写",  "到大写"},
    {"菜单",  "转换大小写",  "到小写"},
    {"菜单",  "",            "粘贴"},
    {"菜单",  "",            "复制被选择文本"},
    {"菜单",  "",            "全部删除"},
    {"菜单",  "",            "升级"},
    {"菜单",  "升级",        "检测升级"},
    {"菜单",  "",            "关于"},
    {"菜单2", "",            "清空"},
    {"菜单2", "",            "复制"},
    {"菜单2", "复制",        "机器码十进制"},
    {"菜单2", "复制",        "机器码十六进制"},
    {"菜单2", "复制",        "汇编代码"},
    // clang-format on
};

inline std::span<const ControlDesign> mainWindowControls() { return kMainWindowControls; }
inline std::span<const ColumnDesign> listColumns() { return kListColumns; }
inline std::span<const MenuItemDesign> menuItems() { return kMenuItems; }

// nullptr when no control has that name.
const ControlDesign* findControl(std::string_view name);
// The window-relative left and top of a control (group box origin added for its children).
struct Point {
    int x, y;
};
Point windowPosition(const ControlDesign& control);
// True when some item of `menu` names `caption` as its parent.
bool opensSubmenu(std::string_view menu, std::string_view caption);

}  // namespace kovrel::app
