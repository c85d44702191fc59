// SPDX-License-Identifier: GPL-3.0-or-later
// The interface language. The program's texts are written in Chinese; a translation replaces
// them for a user whose preferred languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as
// QLocale::system().uiLanguages() reports them) name a language that has one.
#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace Qb::App {

// The translation to load for these preferred languages ("en-US", "zh-Hans-CN", "C", …, most
// preferred first), among the languages that have one ("en"): the first language that is
// Chinese or has a translation decides; "" means the Chinese source texts.
QString interfaceLanguage(const QStringList &uiLanguages, const QStringList &translated);

// The folders searched for quillbox_<language>.qm, in order: the installed translations
// (<exeDir>/../share/quillbox/translations), then those compiled into the program.
QStringList translationFolders(const QString &exeDir);

// Loads and installs the translation for the system locale into the application object, which
// must exist and own `translator` for the rest of the run. Returns the language ("" = Chinese).
QString installInterfaceTranslation(QTranslator &translator);

} // namespace Qb::App
