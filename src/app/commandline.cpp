// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <algorithm>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

bool isHelp(const QString &arg)
{
    return arg == "--help"_L1 || arg == "-h"_L1 || arg == "-?"_L1;
}

bool isVersion(const QString &arg)
{
    return arg == "--version"_L1 || arg == "-v"_L1;
}

bool isOption(const QString &arg)
{
    return arg.size() > 1 && arg.startsWith(u'-');
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    const qsizetype end = arguments.indexOf("--"_L1);
    const QStringList options = end < 0 ? arguments : arguments.first(end);
    CommandLine result;
    if (std::any_of(options.begin(), options.end(), isHelp)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (std::any_of(options.begin(), options.end(), isVersion)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    for (const QString &arg : options) {
        if (isOption(arg)) {
            result.action = CommandLine::Action::Error;
            result.error = u"unknown option '%1'"_s.arg(arg);
            result.files.clear();
            return result;
        }
        result.files.append(arg);
    }
    if (end >= 0)
        result.files += arguments.sliced(end + 1);
    return result;
}

QString versionText()
{
    return u"Quillbox " QB_VERSION "\n"_s;
}

QString helpText()
{
    return u"Usage: quillbox [OPTION]... [FILE]\n"
           "Python script editor with a personal command library.\n"
           "\n"
           "  FILE           open this script at start, as the menu item 打开 does\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "\n"
           "The command library qbxdb.mdb and the settings mlkpz.ini live in $QUILLBOX_HOME when\n"
           "set, else beside a portable (not installed) executable when its folder is writable,\n"
           "else in $XDG_DATA_HOME/quillbox (~/.local/share/quillbox).\n"
           "Qt's own options (-platform NAME, -display NAME, ...) are accepted as well.\n"_s;
}

} // namespace Qb::App
