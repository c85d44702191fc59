// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the 插入(&C) menu and its two dialogs put into the script.
#pragma once

#include <QList>
#include <QString>

namespace Qb::Editor {

enum class TemplateKind { While, For, DoWhile, If, IfElse, IfElif };

struct ScriptTemplate
{
    TemplateKind kind;
    const char *caption; // the menu item's text
    QString text;        // inserted exactly as it stands (CR LF line ends, fixed indentation)
};

// The six fixed templates in menu order: 循环 → while, for, do while; 条件 → if, if…else,
// if…elif.
const QList<ScriptTemplate> &scriptTemplates();
QString templateText(TemplateKind kind);

// 插入子程序: "def " + prefix + name + "(" + parameters + ")" CR LF, a line of two spaces;
// with a return value wrapped in an empty line before and "  return " after. Fields are used
// as they are, empty ones included.
QString subroutineText(const QString &prefix, const QString &name, const QString &parameters,
                       bool hasReturnValue);

// 插入变量: name + "=" + value + CR LF.
QString variableText(const QString &name, const QString &value);

} // namespace Qb::Editor
