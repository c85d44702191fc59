// SPDX-License-Identifier: GPL-3.0-or-later
// The definitions of the shell's secondary windows: captions, outer sizes and every control with
// its design geometry. The editor's own dialogs keep their definitions beside their classes.
#pragma once

#include "resources/definedwindow.h"

namespace Qb::Resources {

const WindowDefinition &commandAddDefinition();     // 命令添加
const WindowDefinition &settingsDefinition();       // 系统设置
const WindowDefinition &hintEntryDefinition();      // 添加命令提示
const WindowDefinition &categoryDefinition();       // 添加分类
const WindowDefinition &aboutDefinition();          // 关于
const WindowDefinition &descriptionDefinition();    // 命令说明
const WindowDefinition &hintWindowDefinition();     // HintWindow: no border, no caption

} // namespace Qb::Resources
