// SPDX-License-Identifier: GPL-3.0-or-later
// The program directory: where qbxdb.mdb, mlkpz.ini and linshi.py live.
#pragma once

#include <QString>

namespace Qb::Platform {

// The one place that decides the program directory, in this order:
//  1. $QUILLBOX_HOME when set and non-empty (tests, users who want their library elsewhere);
//  2. the executable's directory when it is writable and not an installed copy (portable use:
//     files beside the program); a copy is installed when <exeDir>/../share/applications holds
//     the program's desktop entry;
//  3. $XDG_DATA_HOME/quillbox, default ~/.local/share/quillbox (an installed program).
// The directory is created when missing. Returns an absolute path without a trailing slash.
QString programDirectory();

// The same decision with its inputs given, for tests: homeOverride is $QUILLBOX_HOME,
// exeDir the executable's directory, dataHome $XDG_DATA_HOME and userHome $HOME.
QString programDirectoryFor(const QString &homeOverride, const QString &exeDir,
                            const QString &dataHome, const QString &userHome);

} // namespace Qb::Platform
