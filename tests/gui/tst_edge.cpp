// SPDX-License-Identifier: GPL-3.0-or-later
// The started main window docking at a screen edge on the offscreen screen (800 pixels wide):
// the real timer and pointer, the border switch, pointer-over through the controls, the tray
// click, minimising, always-on-top and what reaches the settings file.
#include "programwindow_support.h"

#include "app/ui/edgecontroller.h"

#include <QCursor>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace Qb::App;
using namespace Qt::StringLiterals;
namespace Keys = Qb::Settings::Keys;

namespace {

// A started, shown main window on a temporary program directory.
struct Shown : Qb::Test::ProgramWindow
{
    QTimer *timer = nullptr;

    explicit Shown(const QByteArray &ini) : ProgramWindow(ini)
    {
        QCursor::setPos(400, 400);
        timer = create()->findChild<QTimer *>(u"时钟_收缩"_s);
    }
    bool start()
    {
        if (!window->OnMainWindowCreated())
            return false;
        QCursor::setPos(window->geometry().center()); // the pointer starts inside
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    QByteArray iniBytes() const
    {
        QFile file(path(u"mlkpz.ini"_s));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    QRect outer() const { return window->windowHandle()->frameGeometry(); }
    // Waits for `n` more ticks of 时钟_收缩.
    bool ticks(int n)
    {
        QSignalSpy spy(timer, &QTimer::timeout);
        return QTest::qWaitFor([&] { return spy.size() >= n; }, 5000);
    }
};

// The window takes every size the window system reports for it, as under X11, where the offscreen
// platform keeps the size last asked for: a report that comes late puts the window back to an
// earlier size until the next one. The resizes this makes are reported once more; those pass.
class ReportedSizesApply : public QObject
{
public:
    explicit ReportedSizesApply(QWindow *window) : m_window(window) { qApp->installEventFilter(this); }
    ~ReportedSizesApply() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || event->type() != QEvent::Resize || !event->spontaneous())
            return false;
        const QSize reported = static_cast<QResizeEvent *>(event)->size();
        if (!m_echoes.removeOne(reported) && m_window->size() != reported) {
            m_echoes.append(reported);
            m_window->resize(reported);
        }
        return false;
    }

private:
    QWindow *m_window;
    QList<QSize> m_echoes;
};

// The sizes the main window takes while it has its border.
class FramedSizes : public QObject
{
public:
    explicit FramedSizes(MainWindow *window) : m_window(window) { window->installEventFilter(this); }
    QList<QSize> sizes;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && !m_window->isEdgeShrunk())
            sizes << static_cast<QResizeEvent *>(event)->size();
        return false;
    }

private:
    MainWindow *m_window;
};

const QByteArray LeftThree = "[shezhi]\n宽度=300\n高度=400\n横坐标=3\n纵坐标=100\n收缩速度=50\n";

} // namespace

class tst_Edge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leftEdge_shrinksAndExpandsBack();
    void rightAndTop_shrinkToStrips_data();
    void rightAndTop_shrinkToStrips();
    void draggedStrip_getsNormalSizeBack();
    void pointerOverAControl_restartsTimer();
    void trayClick_expandsLeavesTimerStopped();
    void expand_leavesWindowNotOnTop();
    void leftButtonHeld_noShrinkUntilReleasedInside();
    void lateSizeReportAfterExpand_notStored();
};

void tst_Edge::leftEdge_shrinksAndExpandsBack()
{
    Shown s(LeftThree);
    QVERIFY(s.start());
    const QByteArray storedBefore = s.iniBytes();
    QCOMPARE(s.outer().topLeft(), QPoint(3, 100));
    QCursor::setPos(600, 300); // the pointer leaves the window
    QTRY_COMPARE(s.outer(), QRect(0, 100, 2, s.outer().height()));
    QVERIFY(s.window->isEdgeShrunk());
    QVERIFY(!s.timer->isActive());
    QCOMPARE(s.iniBytes(), storedBefore); // nothing stored while shrunk

    QCursor::setPos(1, 300); // onto the strip
    QTRY_VERIFY(!s.window->isEdgeShrunk());
    QTRY_COMPARE(s.window->size(), QSize(300, 400));
    QCOMPARE(s.window->x(), 0);
    QVERIFY(s.timer->isActive());
    QCOMPARE(s.timer->interval(), 50);
    QCOMPARE(s.context.NormalWidth, 300);
    QCOMPARE(s.iniBytes(), storedBefore); // the client has its stored size again
}

void tst_Edge::rightAndTop_shrinkToStrips_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QRect>("strip"); // height or width -1: the window's own

    QTest::newRow("right edge at SW - 4") << QByteArray("[shezhi]\n宽度=300\n高度=400\n横坐标=480\n纵坐标=100\n")
                                          << QRect(798, 100, 2, -1);
    QTest::newRow("top = 4, left = 200") << QByteArray("[shezhi]\n宽度=300\n高度=400\n横坐标=200\n纵坐标=4\n")
                                         << QRect(200, 0, -1, 2);
}

void tst_Edge::rightAndTop_shrinkToStrips()
{
    QFETCH(QByteArray, ini);
    QFETCH(QRect, strip);
    Shown s(ini);
    QVERIFY(s.start());
    if (strip.height() < 0) // the right edge to SW - 4, whatever the frame adds
        s.window->move(796 - s.outer().width(), 100);
    const QRect before = s.outer();
    if (strip.height() < 0) {
        QCOMPARE(before.x() + before.width(), 796);
        strip.setHeight(before.height());
    } else {
        strip.setWidth(before.width());
    }
    QCursor::setPos(100, 700);
    QTRY_COMPARE(s.outer(), strip);
    QVERIFY(s.window->isEdgeShrunk());
    QCursor::setPos(strip.center());
    QTRY_VERIFY(!s.window->isEdgeShrunk());
    QTRY_COMPARE(s.window->size(), QSize(300, 400));
}

void tst_Edge::draggedStrip_getsNormalSizeBack()
{
    Shown s(LeftThree);
    QVERIFY(s.start());
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk());
    s.window->move(300, 150); // dragged to the right
    QTRY_VERIFY(!s.window->isEdgeShrunk());
    QCOMPARE(s.window->size(), QSize(300, 400));
    QCOMPARE(s.outer().topLeft(), QPoint(300, 150));
    QVERIFY(s.timer->isActive());
}

void tst_Edge::pointerOverAControl_restartsTimer()
{
    // Minimising stops the timer; pointer movement over a control of the window, lying at
    // left = 0, starts it again.
    Shown s("[shezhi]\n宽度=300\n高度=400\n横坐标=0\n纵坐标=100\n");
    QVERIFY(s.start());
    s.window->showMinimized();
    QTRY_VERIFY(!s.timer->isActive());
    s.window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QVERIFY(!s.timer->isActive());
    QWidget *editor = s.window->findChild<QWidget *>(u"代码编辑框1"_s);
    QCursor::setPos(editor->mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY(s.timer->isActive());
}

void tst_Edge::trayClick_expandsLeavesTimerStopped()
{
    Shown s(LeftThree);
    QVERIFY(s.start());
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk());
    s.window->OnTrayIconEvent(1);
    QTRY_VERIFY(!s.window->isEdgeShrunk());
    QCOMPARE(s.window->size(), QSize(300, 400));
    QVERIFY(!s.timer->isActive());
    QVERIFY(s.window->isVisible());
    // The pointer passing over it once starts the timer; then it docks again.
    QCursor::setPos(s.window->mapToGlobal(QPoint(50, 50)));
    QTRY_VERIFY(s.timer->isActive());
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk());
}

void tst_Edge::expand_leavesWindowNotOnTop()
{
    Shown s("[xitong]\nzzzq=真\n" + LeftThree);
    QVERIFY(s.start());
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint);
    const WId native = s.window->winId();
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk());
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint); // shrinking keeps it
    QCursor::setPos(1, 300);
    QTRY_VERIFY(!s.window->isEdgeShrunk());
    QVERIFY(!(s.window->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!(s.window->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    // The border and always-on-top switches change the shown window in place.
    QVERIFY(s.window->isVisible());
    QCOMPARE(s.window->winId(), native);
}

void tst_Edge::leftButtonHeld_noShrinkUntilReleasedInside()
{
    Shown s(LeftThree);
    QVERIFY(s.start());
    QWindow *native = s.window->windowHandle();
    const QPoint inside(100, 200); // in the window's client coordinates
    QCursor::setPos(native->mapToGlobal(inside));
    QTest::mousePress(native, Qt::LeftButton, {}, inside);
    QVERIFY(s.ticks(2)); // an inside reading sees the button down
    QCursor::setPos(600, 300);      // dragged out with the button down
    QTest::mouseRelease(native, Qt::LeftButton, {}, inside); // released while outside
    QVERIFY(s.ticks(3));
    QVERIFY(!s.window->isEdgeShrunk());
    QCursor::setPos(native->mapToGlobal(inside));
    QVERIFY(s.ticks(2));
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk());
}

void tst_Edge::lateSizeReportAfterExpand_notStored()
{
    // The expand's last borderless size is reported after the border is back: the window takes
    // it for a moment, then the normal size once that is reported. Neither reaches the settings.
    Shown s(LeftThree);
    QVERIFY(s.start());
    const QSize borderless = s.outer().size(); // the normal client size and its frame
    QCursor::setPos(600, 300);
    QTRY_VERIFY(s.window->isEdgeShrunk() && s.window->width() == 2);
    const QFileInfo ini(s.path(u"mlkpz.ini"_s));
    const QDateTime written = ini.lastModified();
    const QByteArray stored = s.iniBytes();
    auto *edge = s.window->findChild<EdgeController *>(u"edgeController"_s);
    QVERIFY(edge);
    ReportedSizesApply x11(s.window->windowHandle());
    FramedSizes framed(s.window.get());

    QCursor::setPos(1, 300);
    QTRY_VERIFY(!s.window->isEdgeShrunk() && !edge->sizeSettling() && s.window->size() == QSize(300, 400));
    QVERIFY2(framed.sizes.contains(borderless), "the late report did not reach the window");
    QCOMPARE(QSize(s.context.NormalWidth, s.context.NormalHeight), QSize(300, 400));
    QCOMPARE(QFileInfo(ini.filePath()).lastModified(), written);
    QCOMPARE(s.iniBytes(), stored);

    // Settled, the user's resize is stored again.
    s.window->resize(350, 420);
    QTRY_COMPARE(s.context.NormalWidth, 350);
    QCOMPARE(s.context.NormalHeight, 420);
}

QTEST_MAIN(tst_Edge)
#include "tst_edge.moc"
