// SPDX-License-Identifier: GPL-3.0-or-later
// The quillbox command line: options that need no display, and the script to open.
#pragma once

#include <QString>
#include <QStringList>

namespace Qb::App {

// What the command line asks for. Parsing needs no QCoreApplication, so --help and --version
// are answered before any connection to a display is attempted.
struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    QStringList files;   // FILE arguments in order, as given (relative paths stay relative)
    QString error;       // for Action::Error: one line naming the offending argument
};

// Parses the arguments after the program name. --help (-h, -?) and --version (-v) win wherever
// they appear before "--"; otherwise an unknown option is an error. "--" ends the options, and
// a lone "-" is a file name. Qt's own options (-platform NAME, -display NAME, ...) are removed
// by the application object, so the full parse runs on what it leaves.
CommandLine parseCommandLine(const QStringList &arguments);

// "Quillbox <version>", one line with its newline.
QString versionText();
// The usage text printed by --help, ending with a newline.
QString helpText();

} // namespace Qb::App
