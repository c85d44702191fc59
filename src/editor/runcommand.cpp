// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/runcommand.h"

#include "platform/uitext.h"

#include <QFileInfo>

namespace Qb::Editor {

namespace {

// The options that make each terminal run the rest of its arguments as one command. Waiting
// or server-less modes keep the terminal a process of the group that 运行 started.
QStringList commandOptions(const QString &terminal)
{
    const QString name = QFileInfo(terminal).fileName();
    if (name == u"gnome-terminal")
        return {QStringLiteral("--wait"), QStringLiteral("--")};
    if (name == u"xfce4-terminal")
        return {QStringLiteral("--disable-server"), QStringLiteral("-x")};
    if (name == u"konsole")
        return {QStringLiteral("--nofork"), QStringLiteral("-e")};
    return {QStringLiteral("-e")};
}

} // namespace

QStringList knownTerminals()
{
    return {QStringLiteral("x-terminal-emulator"), QStringLiteral("gnome-terminal"),
            QStringLiteral("konsole"), QStringLiteral("xfce4-terminal"), QStringLiteral("xterm")};
}

CommandLine consoleCommand(const QString &interpreter, const QString &scriptFile)
{
    // $1 is the closing line's printf format (translated; %s is the exit status); the
    // interpreter and the script stay the last two arguments.
    static const QString script = QStringLiteral(
        "\"$2\" \"$3\"; status=$?; printf \"\\n[$1]\\n\" \"$status\"; "
        "exec \"${SHELL:-/bin/sh}\" -i");
    return {QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), script, QStringLiteral("quillbox-run"), QbText::tr("脚本已结束，退出码 %s"),
             interpreter, scriptFile}};
}

std::optional<CommandLine> terminalCommand(const QString &terminalOverride, const CommandLine &inner,
                                           const std::function<QString(const QString &)> &find)
{
    QStringList candidates = knownTerminals();
    if (!terminalOverride.isEmpty())
        candidates.prepend(terminalOverride);
    for (const QString &candidate : std::as_const(candidates)) {
        const QString path = find(candidate);
        if (path.isEmpty())
            continue;
        return CommandLine{path, commandOptions(candidate) + QStringList{inner.program} + inner.arguments};
    }
    return std::nullopt;
}

} // namespace Qb::Editor
