// The popup-menu commands on the assembly box ("菜单") and on the list view ("菜单2").
#pragma once

#include "app/app_context.h"

namespace kovrel::app {

void upperCaseAssembly(AppContext& context);      // "到大写"
void lowerCaseAssembly(AppContext& context);      // "到小写"
void pasteAssembly(AppContext& context);          // "粘贴": replaces the whole text
void copyAssemblySelection(AppContext& context);  // "复制被选择文本"
void deleteAllAssembly(AppContext& context);      // "全部删除", after confirmation
void clearList(AppContext& context);              // "清空"
// "机器码十进制" (column 2), "机器码十六进制" (3), "汇编代码" (4) of the selected row.
void copySelectedCell(AppContext& context, int column);

}  // namespace kovrel::app
