// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QTest>

using Qb::App::CommandLine;
using Qb::App::parseCommandLine;
using Action = CommandLine::Action;
using namespace Qt::StringLiterals;

class tst_CommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("error");

        const auto row = [](const char *name, QStringList args, Action action, QStringList files = {},
                            QString error = {}) {
            QTest::newRow(name) << args << int(action) << files << error;
        };
        row("nothing", {}, Action::Run);
        row("one file", {u"a.py"_s}, Action::Run, {u"a.py"_s});
        row("files in order, Chinese name", {u"脚本.py"_s, u"/tmp/b.py"_s}, Action::Run,
            {u"脚本.py"_s, u"/tmp/b.py"_s});
        row("--help", {u"--help"_s}, Action::ShowHelp);
        row("-h after a file", {u"a.py"_s, u"-h"_s}, Action::ShowHelp);
        row("-?", {u"-?"_s}, Action::ShowHelp);
        row("--version", {u"--version"_s}, Action::ShowVersion);
        row("-v", {u"-v"_s}, Action::ShowVersion);
        row("help wins over version", {u"--version"_s, u"--help"_s}, Action::ShowHelp);
        row("help wins over an unknown option", {u"--bogus"_s, u"--help"_s}, Action::ShowHelp);
        row("unknown long option", {u"--bogus"_s, u"a.py"_s}, Action::Error, {}, u"unknown option '--bogus'"_s);
        row("unknown short option", {u"-x"_s}, Action::Error, {}, u"unknown option '-x'"_s);
        row("lone dash is a file", {u"-"_s}, Action::Run, {u"-"_s});
        row("after -- everything is a file", {u"--"_s, u"--help"_s, u"-x.py"_s}, Action::Run,
            {u"--help"_s, u"-x.py"_s});
        row("files before and after --", {u"a.py"_s, u"--"_s, u"-b.py"_s}, Action::Run, {u"a.py"_s, u"-b.py"_s});
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, files);
        QFETCH(QString, error);
        const CommandLine line = parseCommandLine(arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.files, files);
        QCOMPARE(line.error, error);
    }

    void texts_nameTheProgramAndItsOptions()
    {
        QCOMPARE(Qb::App::versionText(), u"Quillbox " QB_VERSION "\n"_s);
        const QString help = Qb::App::helpText();
        QVERIFY(help.startsWith(u"Usage: quillbox "_s));
        QVERIFY(help.contains(u"--version"_s) && help.contains(u"--help"_s) && help.contains(u"FILE"_s));
        QVERIFY(help.endsWith(u'\n'));
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
