// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

const QString BaseName = u"quillbox_"_s;

QString languageOf(const QString &uiLanguage)
{
    return uiLanguage.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
}

QStringList languagesIn(const QStringList &folders)
{
    QStringList languages;
    for (const QString &folder : folders) {
        const QStringList files = QDir(folder).entryList({BaseName + u"*.qm"_s}, QDir::Files);
        for (const QString &file : files)
            languages.append(file.sliced(BaseName.size()).chopped(3));
    }
    return languages;
}

} // namespace

QString interfaceLanguage(const QStringList &uiLanguages, const QStringList &translated)
{
    for (const QString &uiLanguage : uiLanguages) {
        const QString language = languageOf(uiLanguage);
        if (language == "zh"_L1)
            return {};
        if (translated.contains(language))
            return language;
    }
    return {};
}

QStringList translationFolders(const QString &exeDir)
{
    return {QDir::cleanPath(exeDir + u"/../share/quillbox/translations"_s), u":/i18n"_s};
}

QString installInterfaceTranslation(QTranslator &translator)
{
    const QStringList folders = translationFolders(QCoreApplication::applicationDirPath());
    const QString language = interfaceLanguage(QLocale::system().uiLanguages(), languagesIn(folders));
    if (language.isEmpty())
        return {};
    for (const QString &folder : folders) {
        if (translator.load(BaseName + language, folder)) {
            QCoreApplication::installTranslator(&translator);
            return language;
        }
    }
    return {};
}

} // namespace Qb::App
