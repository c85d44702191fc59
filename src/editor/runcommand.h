// SPDX-License-Identifier: GPL-3.0-or-later
// The command lines that run a script in a console: which terminal, and what runs inside it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Qb::Editor {

struct CommandLine
{
    QString program;
    QStringList arguments; // one argv entry each; nothing is parsed by a shell on the way
};

// The terminal emulators tried, in order, when $QUILLBOX_TERMINAL is not set or not found.
QStringList knownTerminals();

// What runs inside the console: a POSIX shell that runs interpreter on scriptFile, reports the
// exit status and then stays open with the user's shell, so the output stays visible. The
// interpreter and the file reach it as positional parameters, never as shell text, so any
// characters in the path (blanks, quotes, "$(...)") name the file and nothing else.
CommandLine consoleCommand(const QString &interpreter, const QString &scriptFile);

// The terminal invocation that shows `inner`: terminalOverride ($QUILLBOX_TERMINAL) when it is
// set and found, else the first of knownTerminals() that is found. `find` maps a program name
// or path to its executable path ("" when absent). nullopt when there is no terminal at all.
// Each known terminal gets its own option for "run this command"; any other program gets "-e".
std::optional<CommandLine> terminalCommand(const QString &terminalOverride, const CommandLine &inner,
                                           const std::function<QString(const QString &)> &find);

} // namespace Qb::Editor
