// Names of the controls and menu items the commands reach, and the texts they show.
// Names stay UTF-8 (they are never shown); texts go through platform::gbk() when used.
#pragma once

#include <string_view>

namespace kovrel::app {

// ---- controls
inline constexpr std::string_view kAssemblyBox = "编辑框1汇编";
inline constexpr std::string_view kMachineCodeBox = "编辑框2机器码";
inline constexpr std::string_view kLineCountLabel = "标签13";
inline constexpr std::string_view kByteCountLabel = "标签14";
inline constexpr std::string_view kAssembleButton = "按钮1汇编";
inline constexpr std::string_view kDisassembleButton = "按钮2反汇编";
inline constexpr std::string_view kShowTextButton = "按钮1转换汉字";
inline constexpr std::string_view kDecimalRadio = "单选框1十进制";
inline constexpr std::string_view kHexRadio = "单选框2十六进制";
inline constexpr std::string_view kHiddenDisassembleButton = "按钮8";
inline constexpr std::string_view kListView = "超级列表框";
inline constexpr std::string_view kCodeEditor = "代码编辑框";
inline constexpr std::string_view kRegisterPicker = "寄存器";
inline constexpr std::string_view kFontButton = "按钮1字体";
inline constexpr std::string_view kSaveSchemeButton = "按钮3保存色";
inline constexpr std::string_view kDefaultSchemeButton = "按钮4默认";
inline constexpr std::string_view kUndoSchemeButton = "按钮5撤销";

// ---- popup menus and their items (items are named by caption)
inline constexpr std::string_view kAssemblyMenuName = "菜单";
inline constexpr std::string_view kListMenuName = "菜单2";
inline constexpr std::string_view kItemUpperCase = "到大写";
inline constexpr std::string_view kItemLowerCase = "到小写";
inline constexpr std::string_view kItemPaste = "粘贴";
inline constexpr std::string_view kItemCopySelection = "复制被选择文本";
inline constexpr std::string_view kItemDeleteAll = "全部删除";
inline constexpr std::string_view kItemCheckUpdate = "检测升级";
inline constexpr std::string_view kItemAbout = "关于";
inline constexpr std::string_view kItemClearList = "清空";
inline constexpr std::string_view kItemCopyDecimal = "机器码十进制";
inline constexpr std::string_view kItemCopyHex = "机器码十六进制";
inline constexpr std::string_view kItemCopyCommand = "汇编代码";

// ---- list columns
inline constexpr int kColumnLine = 0;
inline constexpr int kColumnAddress = 1;
inline constexpr int kColumnDecimal = 2;
inline constexpr int kColumnHex = 3;
inline constexpr int kColumnCommand = 4;

// ---- message boxes (0: OK; 33: OK and Cancel, question; 64: OK, information)
struct MessageText {
    std::string_view text;
    int style;
    std::string_view title;
};
// text                                  style  title
inline constexpr MessageText kMsgAlreadyRunning{"程序已运行，请确定！", 64, "提示信息"};
inline constexpr MessageText kMsgConfirmClose{"确定关闭吗？", 33, "Kovrel"};
inline constexpr MessageText kMsgConfirmDeleteAll{"确定全部删除吗？", 33, ""};  // default title
inline constexpr MessageText kMsgBadCommand{"错误的汇编指令：", 0, "Kovrel提示："};
inline constexpr MessageText kMsgBytesAsText{"", 64, "机器码数据转换："};

// The timed box when the engine library cannot be loaded.
inline constexpr std::string_view kEngineLoadFailedText = "Kovrel：加载汇编库失败！";
inline constexpr std::string_view kEngineLoadFailedTitle = "提示信息";
inline constexpr int kEngineLoadFailedMilliseconds = 3000;

// ---- captions
inline constexpr std::string_view kApplicationName = "Kovrel";
inline constexpr std::string_view kVersionLabel = "版本号：";
inline constexpr std::string_view kApplicationVersionText = "3.2";  // applicationVersion, 13 significant digits at most
inline constexpr int kVersionCaptionSpaces = 50;
// The About item's caption: the authors' credit and a contact entry, five spaces apart.
inline constexpr std::string_view kCreditAuthors = "Kovrel 由 Kovrel 开发组编写";
inline constexpr std::string_view kCreditContact = "联系：kovrel-dev@users.invalid";
inline constexpr int kAboutMilliseconds = 6000;

// ---- label texts
inline constexpr std::string_view kCountPrefix = "共：";
inline constexpr std::string_view kBytesSuffix = " 字节";
inline constexpr std::string_view kLinesSuffix = " 行";

}  // namespace kovrel::app
