// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sqlquote.h"
#include "platform/textcodec.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Qb::Library::EscapeQuotes;
using Qb::Library::UnescapeQuotes;

// The stored form of descriptions: every "'" is kept as "^!" in the library file.
class tst_QuoteText : public QObject
{
    Q_OBJECT
private slots:
    void escape_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no quote") << u"打印一行"_s << u"打印一行"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("command text") << u"print('hello')"_s << u"print(^!hello^!)"_s;
        QTest::newRow("quotes at both ends") << u"'x'"_s << u"^!x^!"_s;
        QTest::newRow("adjacent quotes") << u"''"_s << u"^!^!"_s;
        QTest::newRow("next to double-byte characters") << u"中'文'字"_s << u"中^!文^!字"_s;
        QTest::newRow("double quotes untouched") << u"say \"hi\""_s << u"say \"hi\""_s;
        QTest::newRow("full-width apostrophe untouched") << u"它’s"_s << u"它’s"_s;
    }
    void escape()
    {
        QFETCH(QString, description);
        QFETCH(QString, stored);
        QCOMPARE(EscapeQuotes(description), stored);
        QCOMPARE(UnescapeQuotes(stored), description);
        QVERIFY(!EscapeQuotes(description).contains(u'\''));
    }

    void unescape_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("caret alone") << u"a^b"_s << u"a^b"_s;
        QTest::newRow("bang alone") << u"a!b"_s << u"a!b"_s;
        QTest::newRow("reversed pair") << u"!^"_s << u"!^"_s;
        QTest::newRow("caret before the pair") << u"^^!"_s << u"^'"_s;
        QTest::newRow("pair then bang") << u"^!!"_s << u"'!"_s;
        QTest::newRow("pair at the end") << u"x^!"_s << u"x'"_s;
        QTest::newRow("pair between double-byte characters") << u"中^!文"_s << u"中'文"_s;
        // 癪 is B0 5E in GBK: its trail byte is "^". Followed by "!", the bytes contain "^!",
        // but the characters do not.
        QTest::newRow("trail byte ^ before !") << Qb::Platform::fromGbk("\xB0\x5E!") << u"癪!"_s;
        QTest::newRow("trail byte ^ before a real pair") << Qb::Platform::fromGbk("\xD6\x5E^!") << u"謂'"_s;
    }
    void unescape()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QCOMPARE(UnescapeQuotes(stored), shown);
    }

    // A "^!" the user typed cannot be told from a stored quote: it comes back as "'". Libraries
    // already on disk depend on this reading, so it stays.
    void literalPairTypedByUser_readsBackAsQuote()
    {
        const QString typed = u"a^!b 'c'"_s;
        QCOMPARE(EscapeQuotes(typed), u"a^!b ^!c^!"_s);
        QCOMPARE(UnescapeQuotes(EscapeQuotes(typed)), u"a'b 'c'"_s);
    }
};

QTEST_GUILESS_MAIN(tst_QuoteText)
#include "tst_quotetext.moc"
