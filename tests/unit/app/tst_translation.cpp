// SPDX-License-Identifier: GPL-3.0-or-later
// The interface language chosen from the user's preferred languages, and the translation the
// program carries with it.
#include "app/translation.h"

#include <QTest>
#include <QTranslator>

using namespace Qt::StringLiterals;

class tst_Translation : public QObject
{
    Q_OBJECT

private slots:
    void interfaceLanguage_data();
    void interfaceLanguage();
    void compiledInEnglish();
};

void tst_Translation::interfaceLanguage_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<QStringList>("translated");
    QTest::addColumn<QString>("language");
    const QStringList en{u"en"_s};
    QTest::newRow("LANG=en_US") << QStringList{u"en-US"_s, u"en-Latn-US"_s, u"en"_s} << en << u"en"_s;
    QTest::newRow("LC_MESSAGES=en_GB") << QStringList{u"en-GB"_s, u"en-Latn-GB"_s} << en << u"en"_s;
    QTest::newRow("LANG=zh_CN") << QStringList{u"zh-CN"_s, u"zh-Hans-CN"_s, u"zh"_s} << en << QString();
    QTest::newRow("LANG=C") << QStringList{u"C"_s} << en << QString();
    QTest::newRow("no translation: de") << QStringList{u"de-DE"_s, u"de"_s} << en << QString();
    QTest::newRow("LANGUAGE=de:en") << QStringList{u"de"_s, u"de-DE"_s, u"en"_s, u"en-US"_s} << en << u"en"_s;
    QTest::newRow("LANGUAGE=zh_CN:en") << QStringList{u"zh-CN"_s, u"en"_s} << en << QString();
    QTest::newRow("English without its file") << QStringList{u"en-US"_s} << QStringList() << QString();
    QTest::newRow("nothing known") << QStringList() << en << QString();
}

void tst_Translation::interfaceLanguage()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(QStringList, translated);
    QTEST(Qb::App::interfaceLanguage(uiLanguages, translated), "language");
}

// The English translation is built into the program, so a run from the build folder has it.
void tst_Translation::compiledInEnglish()
{
    const QStringList folders = Qb::App::translationFolders(u"/opt/x/bin"_s);
    QCOMPARE(folders.first(), u"/opt/x/share/quillbox/translations"_s);
    QTranslator translator;
    QVERIFY(translator.load(u"quillbox_en"_s, folders.last()));
    QCOMPARE(translator.translate("QbText", "文件(&W)"), u"&File"_s);
    QCOMPARE(translator.translate("QbText", "脚本已修改，是否保存？"), u"The script has been modified. Save it?"_s);
}

QTEST_GUILESS_MAIN(tst_Translation)
#include "tst_translation.moc"
