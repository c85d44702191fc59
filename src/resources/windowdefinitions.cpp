// SPDX-License-Identifier: GPL-3.0-or-later
// Window definitions of 命令添加, 系统设置, 添加命令提示, 添加分类, 关于, 命令说明 and the hint
// window. Geometry is left, top, width, height in the client area, in pixels.
#include "resources/windowdefinitions.h"

namespace Qb::Resources {

namespace {
using K = ControlKind;
} // namespace

const WindowDefinition &commandAddDefinition()
{
    static const WindowDefinition d{
        .name = "命令添加", .caption = QT_TRANSLATE_NOOP("QbText", "命令添加"), .size = {464, 343}, .resizable = true,
        .controls = {
            {.name = "标签1", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "命令名："),
             .geometry = {11, 12, 51, 14}},
            {.name = "编辑框_命令名", .kind = K::LineEdit, .geometry = {61, 7, 386, 24}, .maxLength = 255},
            {.name = "标签2", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "中文名："),
             .geometry = {10, 40, 45, 14}},
            {.name = "编辑框_中文名", .kind = K::LineEdit, .geometry = {61, 35, 386, 24}, .maxLength = 255},
            {.name = "标签3", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "分类："),
             .geometry = {22, 66, 32, 16}},
            {.name = "组合框_分类", .kind = K::ComboList, .geometry = {61, 63, 187, 22}},
            {.name = "标签5", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "分类："),
             .geometry = {256, 66, 32, 16}},
            {.name = "组合框_类型", .kind = K::ComboList, .geometry = {294, 63, 73, 22},
             .items = {QT_TRANSLATE_NOOP("QbText", "无"), QT_TRANSLATE_NOOP("QbText", "流程"),
                       QT_TRANSLATE_NOOP("QbText", "函数"), QT_TRANSLATE_NOOP("QbText", "过程")}},
            {.name = "标签4", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "说明："),
             .geometry = {21, 90, 32, 14}},
            {.name = "编辑框_说明", .kind = K::MultiLineEdit, .geometry = {61, 89, 387, 143}},
            {.name = "按钮_添加", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "添加"),
             .geometry = {130, 256, 80, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "关闭"),
             .geometry = {252, 256, 80, 32}},
        }};
    return d;
}

const WindowDefinition &settingsDefinition()
{
    static const WindowDefinition d{
        .name = "系统设置", .caption = QT_TRANSLATE_NOOP("QbText", "系统设置"), .size = {332, 176},
        .controls = {
            {.name = "选择框4", .kind = K::CheckBox, .caption = QT_TRANSLATE_NOOP("QbText", "同时添加中文名"),
             .geometry = {13, 14, 107, 16}},
            {.name = "选择框3", .kind = K::CheckBox, .caption = QT_TRANSLATE_NOOP("QbText", "窗口总在最前"),
             .geometry = {126, 14, 98, 16}},
            {.name = "标签4", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "锁定编辑框键："),
             .geometry = {11, 38, 89, 24}},
            {.name = "组合框2", .kind = K::ComboEditable, .geometry = {101, 42, 64, 20},
             .items = {"CTRL", "SHIFT", "ALT", "空"}},
            {.name = "标签5", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "＋"),
             .geometry = {164, 43, 8, 16}},
            {.name = "编辑框2", .kind = K::LineEdit, .geometry = {177, 41, 35, 20}, .maxLength = 10},
            {.name = "标签8", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "键"),
             .geometry = {216, 42, 12, 20}},
            {.name = "选择框5", .kind = K::CheckBox, .caption = QT_TRANSLATE_NOOP("QbText", "提示输入到目标窗口"),
             .geometry = {13, 66, 150, 16}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {75, 88, 72, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "关闭"),
             .geometry = {178, 88, 72, 32}},
        }};
    return d;
}

const WindowDefinition &hintEntryDefinition()
{
    static const WindowDefinition d{
        .name = "添加命令提示", .caption = "", .size = {338, 200}, .minimiseButton = true,
        .controls = {
            {.name = "标签2", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "命令名称："),
             .geometry = {12, 22, 56, 16}},
            {.name = "编辑框1", .kind = K::LineEdit, .geometry = {74, 18, 248, 22}, .maxLength = 100},
            {.name = "标签3", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "命令说明："),
             .geometry = {11, 49, 60, 16}},
            {.name = "编辑框2", .kind = K::LineEdit, .geometry = {74, 45, 248, 22}, .maxLength = 100},
            {.name = "标签1", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "命令说明框可以不填"),
             .geometry = {77, 72, 114, 17},
             .textColour = 0x606060},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {83, 106, 72, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "取消"),
             .geometry = {186, 106, 72, 32}},
        },
        .tabOrder = {"编辑框1", "编辑框2", "按钮1", "按钮2"}};
    return d;
}

const WindowDefinition &categoryDefinition()
{
    static const WindowDefinition d{
        .name = "添加分类", .caption = QT_TRANSLATE_NOOP("QbText", "添加分类"), .size = {380, 259},
        .controls = {
            {.name = "标签1", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "分类名称："),
             .geometry = {14, 18, 56, 16}},
            {.name = "编辑框2", .kind = K::LineEdit, .geometry = {74, 14, 284, 24}},
            {.name = "标签5", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "分类说明："),
             .geometry = {14, 45, 56, 16}},
            {.name = "编辑框1", .kind = K::MultiLineEdit, .geometry = {74, 41, 284, 119}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {87, 174, 80, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "取消"),
             .geometry = {207, 174, 80, 32}},
        }};
    return d;
}

const WindowDefinition &aboutDefinition()
{
    static const WindowDefinition d{
        .name = "关于", .caption = QT_TRANSLATE_NOOP("QbText", "关于"), .size = {378, 152},
        .controls = {
            {.name = "标签2", .kind = K::Label, .caption = "", .geometry = {14, 10, 109, 15}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {272, 80, 88, 30}},
        }};
    return d;
}

const WindowDefinition &descriptionDefinition()
{
    static const WindowDefinition d{
        .name = "命令说明", .caption = QT_TRANSLATE_NOOP("QbText", "命令说明"),
         .size = {600, 179}, .resizable = true, .toolWindow = true,
        .position = QPoint(50, 50),
        .controls = {
            {.name = "编辑框1", .kind = K::MultiLineEdit, .geometry = {0, 0, 592, 152}},
        }};
    return d;
}

const WindowDefinition &hintWindowDefinition()
{
    static const WindowDefinition d{
        .name = "HintWindow", .caption = "", .size = {160, 176},
        .controls = {
            {.name = "画板1", .kind = K::DrawingPanel, .geometry = {0, 0, 160, 176}, .background = 0xECECEC},
        }};
    return d;
}

} // namespace Qb::Resources
