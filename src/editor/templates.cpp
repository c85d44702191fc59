// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/templates.h"

namespace Qb::Editor {

const QList<ScriptTemplate> &scriptTemplates()
{
    static const QList<ScriptTemplate> templates{
        {TemplateKind::While, "while", QStringLiteral("while :\r\n  ")},
        {TemplateKind::For, "for", QStringLiteral("for i in range(,) :\r\n    ")},
        {TemplateKind::DoWhile, "do while", QStringLiteral("do()\r\n{\r\n\t\r\n}while();\r\n")},
        {TemplateKind::If, "if", QStringLiteral("if :\r\n  ")},
        {TemplateKind::IfElse, "if…else", QStringLiteral("if \r\n  \r\nelse\r\n  ")},
        {TemplateKind::IfElif, "if…elif", QStringLiteral("if :\r\n  \r\nelif :\r\n  \r\nelse:\r\n  ")},
    };
    return templates;
}

QString templateText(TemplateKind kind)
{
    for (const ScriptTemplate &entry : scriptTemplates()) {
        if (entry.kind == kind)
            return entry.text;
    }
    return QString();
}

QString subroutineText(const QString &prefix, const QString &name, const QString &parameters,
                       bool hasReturnValue)
{
    QString text = QStringLiteral("def ") + prefix + name + u'(' + parameters
                   + QStringLiteral(")\r\n  \r\n");
    if (hasReturnValue)
        text = QStringLiteral("\r\n") + text + QStringLiteral("  return ");
    return text;
}

QString variableText(const QString &name, const QString &value)
{
    return name + u'=' + value + QStringLiteral("\r\n");
}

} // namespace Qb::Editor
