// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the 插入(&C) templates and of the two insert dialogs, byte for byte.
#include "editor/templates.h"

#include <QTest>

using Qb::Editor::TemplateKind;

Q_DECLARE_METATYPE(TemplateKind)

class tst_Templates : public QObject
{
    Q_OBJECT

private slots:
    void templateBytes_data();
    void templateBytes();
    void menuOrder();
    void subroutine_data();
    void subroutine();
    void variable_data();
    void variable();
};

void tst_Templates::templateBytes_data()
{
    QTest::addColumn<TemplateKind>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("while") << TemplateKind::While << QByteArray("while :\r\n  ");
    QTest::newRow("for") << TemplateKind::For << QByteArray("for i in range(,) :\r\n    ");
    QTest::newRow("do while") << TemplateKind::DoWhile << QByteArray("do()\r\n{\r\n\t\r\n}while();\r\n");
    QTest::newRow("if") << TemplateKind::If << QByteArray("if :\r\n  ");
    QTest::newRow("if else") << TemplateKind::IfElse << QByteArray("if \r\n  \r\nelse\r\n  ");
    QTest::newRow("if elif") << TemplateKind::IfElif
                             << QByteArray("if :\r\n  \r\nelif :\r\n  \r\nelse:\r\n  ");
}

void tst_Templates::templateBytes()
{
    QFETCH(TemplateKind, kind);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Qb::Editor::templateText(kind).toUtf8(), bytes);
}

void tst_Templates::menuOrder()
{
    QStringList captions;
    for (const auto &entry : Qb::Editor::scriptTemplates())
        captions << QString::fromUtf8(entry.caption);
    QCOMPARE(captions, (QStringList{"while", "for", "do while", "if", "if…else", "if…elif"}));
}

void tst_Templates::subroutine_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<bool>("hasReturn");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << "" << "area" << "w, h" << false << QByteArray("def area(w, h)\r\n  \r\n");
    QTest::newRow("with return") << "" << "area" << "w, h" << true
                                 << QByteArray("\r\ndef area(w, h)\r\n  \r\n  return ");
    QTest::newRow("prefix joined directly") << "calc_" << "area" << "w, h" << false
                                            << QByteArray("def calc_area(w, h)\r\n  \r\n");
    QTest::newRow("all empty") << "" << "" << "" << false << QByteArray("def ()\r\n  \r\n");
    QTest::newRow("chinese name") << "" << "面积" << "" << false
                                  << QByteArray("def \xe9\x9d\xa2\xe7\xa7\xaf()\r\n  \r\n");
}

void tst_Templates::subroutine()
{
    QFETCH(QString, prefix);
    QFETCH(QString, name);
    QFETCH(QString, parameters);
    QFETCH(bool, hasReturn);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Qb::Editor::subroutineText(prefix, name, parameters, hasReturn).toUtf8(), bytes);
}

void tst_Templates::variable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("name and value") << "x" << "1" << QByteArray("x=1\r\n");
    QTest::newRow("empty value") << "x" << "" << QByteArray("x=\r\n");
    QTest::newRow("blanks kept") << "a " << " b" << QByteArray("a = b\r\n");
}

void tst_Templates::variable()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Qb::Editor::variableText(name, value).toUtf8(), bytes);
}

QTEST_GUILESS_MAIN(tst_Templates)
#include "tst_templates.moc"
