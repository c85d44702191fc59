// SPDX-License-Identifier: GPL-3.0-or-later
// LayoutMainWindow's arithmetic and the rule for storing the window size.
#include "app/mainlayout.h"

#include <QTest>

using namespace Qb::App;

Q_DECLARE_METATYPE(Qb::App::MainLayout)
Q_DECLARE_METATYPE(Qb::App::LayoutMode)

namespace {

// The layout after one Full pass on an 800 × 676 client area from the design geometry, and after
// a second pass (the description box then catches up with the splitter).
MainLayout firstFullPass()
{
    MainLayout l = designLayout();
    l.tabs = QRect(4, 40, 235, 474);
    l.tree = QRect(6, 6, 223, 443);
    l.fileList = QRect(6, 33, 223, 415);
    l.verticalBar = QRect(240, 36, 6, 474);
    l.editor = QRect(247, 36, 552, 474);
    l.horizontalBar = QRect(8, 514, 800, 6);
    l.info = QRect(5, 491, 798, 134);
    return l;
}

MainLayout secondFullPass()
{
    MainLayout l = firstFullPass();
    l.info.moveTop(520);
    return l;
}

} // namespace

class tst_MainLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void layout_repeatedPassIsStable();
    void layout_infoBoxStaysAboveStatusBar();
    void persistence_data();
    void persistence();
};

void tst_MainLayout::layout_data()
{
    QTest::addColumn<MainLayout>("start");
    QTest::addColumn<LayoutMode>("mode");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<MainLayout>("expected");

    QTest::newRow("full from design: info box follows the splitter's old place")
        << designLayout() << LayoutMode::Full << QSize(800, 676) << firstFullPass();
    QTest::newRow("full again: info box catches up") << firstFullPass() << LayoutMode::Full << QSize(800, 676)
                                                     << secondFullPass();

    MainLayout vStart = secondFullPass();
    vStart.verticalBar.moveLeft(300);
    MainLayout vExpected = vStart;
    vExpected.tabs.setWidth(295);
    vExpected.tree.setWidth(283);
    vExpected.fileList.setWidth(283);
    vExpected.editor = QRect(307, 36, 492, 474);
    QTest::newRow("vertical splitter dragged to x=300") << vStart << LayoutMode::Full << QSize(800, 676) << vExpected;

    MainLayout hStart = secondFullPass();
    hStart.horizontalBar.moveTop(400);
    MainLayout hExpected = hStart;
    hExpected.tabs.setHeight(358);
    hExpected.info = QRect(5, 406, 798, 250);
    hExpected.horizontalBar.moveTop(398); // settles 2 pixels above the drop point
    hExpected.fileList.setHeight(299);
    hExpected.editor.setHeight(358);
    hExpected.verticalBar.setHeight(358); // the tree keeps its height in this mode
    QTest::newRow("horizontal splitter dragged to y=400") << hStart << LayoutMode::AfterHorizontalSplitter
                                                          << QSize(800, 676) << hExpected;

    MainLayout tiny = designLayout();
    tiny.tabs = QRect(4, 40, 235, -102);
    tiny.tree = QRect(6, 6, 223, -133);
    tiny.fileList = QRect(6, 33, 223, -161);
    tiny.verticalBar = QRect(240, 36, 6, -102);
    tiny.editor = QRect(247, 36, -148, -102);
    tiny.horizontalBar = QRect(8, -62, 100, 6);
    tiny.info = QRect(5, 491, 98, 134);
    QTest::newRow("tiny window: negative sizes pass through") << designLayout() << LayoutMode::Full
                                                              << QSize(100, 100) << tiny;
}

void tst_MainLayout::layout()
{
    QFETCH(MainLayout, start);
    QFETCH(LayoutMode, mode);
    QFETCH(QSize, client);
    QFETCH(MainLayout, expected);
    const MainLayout actual = LayoutMainWindow(start, client, mode);
    QCOMPARE(actual.tabs, expected.tabs);
    QCOMPARE(actual.tree, expected.tree);
    QCOMPARE(actual.fileList, expected.fileList);
    QCOMPARE(actual.verticalBar, expected.verticalBar);
    QCOMPARE(actual.editor, expected.editor);
    QCOMPARE(actual.horizontalBar, expected.horizontalBar);
    QCOMPARE(actual.info, expected.info);
}

void tst_MainLayout::layout_repeatedPassIsStable()
{
    MainLayout l = designLayout();
    for (int i = 0; i < 3; ++i)
        l = LayoutMainWindow(l, QSize(1000, 800), LayoutMode::Full);
    const MainLayout again = LayoutMainWindow(l, QSize(1000, 800), LayoutMode::Full);
    QCOMPARE(again.info, l.info);
    QCOMPARE(again.horizontalBar, l.horizontalBar);
    QCOMPARE(l.horizontalBar.top(), l.tabs.top() + l.tabs.height());
    QCOMPARE(l.info.top(), l.horizontalBar.top() + l.horizontalBar.height());
}

// Regression: the description box used to reach past the client area and under the status bar,
// hiding its last lines; after either kind of pass it ends above the status bar.
void tst_MainLayout::layout_infoBoxStaysAboveStatusBar()
{
    const QSize client(1000, 800);
    MainLayout l = designLayout();
    for (int i = 0; i < 2; ++i)
        l = LayoutMainWindow(l, client, LayoutMode::Full);
    QVERIFY(l.info.top() + l.info.height() <= client.height() - l.statusBarHeight);
    l.horizontalBar.moveTop(500);
    l = LayoutMainWindow(l, client, LayoutMode::AfterHorizontalSplitter);
    QCOMPARE(l.info.top() + l.info.height(), client.height() - l.statusBarHeight);
}

void tst_MainLayout::persistence_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("shrunk");
    QTest::addColumn<bool>("settling");
    QTest::addColumn<bool>("storeWidth");
    QTest::addColumn<bool>("storeHeight");

    // Stored size 800 × 700 in every row.
    QTest::newRow("both changed") << QSize(900, 650) << false << false << false << true << true;
    QTest::newRow("unchanged") << QSize(800, 700) << false << false << false << false << false;
    QTest::newRow("height only") << QSize(800, 720) << false << false << false << false << true;
    QTest::newRow("width 123 is stored") << QSize(123, 700) << false << false << false << true << false;
    QTest::newRow("width 122 is not stored") << QSize(122, 700) << false << false << false << false << false;
    QTest::newRow("narrow width, height still stored") << QSize(100, 300) << false << false << false << false << true;
    QTest::newRow("minimised stores nothing") << QSize(900, 650) << true << false << false << false << false;
    QTest::newRow("edge-shrunk stores nothing") << QSize(2, 650) << false << true << false << false << false;
    // A late report of the borderless size after an expand.
    QTest::newRow("settling after an expand stores nothing") << QSize(802, 725) << false << false << true << false
                                                             << false;
}

void tst_MainLayout::persistence()
{
    QFETCH(QSize, window);
    QFETCH(bool, minimised);
    QFETCH(bool, shrunk);
    QFETCH(bool, settling);
    const SizePersistence p = decideSizePersistence(window, 800, 700, minimised, shrunk, settling);
    QTEST(p.storeWidth, "storeWidth");
    QTEST(p.storeHeight, "storeHeight");
}

QTEST_APPLESS_MAIN(tst_MainLayout)
#include "tst_mainlayout.moc"
