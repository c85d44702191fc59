// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/displayprobe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Qb::Platform::qtPlatformPluginPresent;
using Qb::Platform::x11DisplayReachable;
using namespace Qt::StringLiterals;

namespace {

// A listening Unix socket at `path`, closed with the object (the file stays).
class Listener
{
public:
    explicit Listener(const QString &path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
               && ::listen(m_fd, 4) == 0;
    }
    ~Listener() { if (m_fd >= 0) ::close(m_fd); }
    bool ok() const { return m_ok; }

private:
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace

class tst_DisplayProbe : public QObject
{
    Q_OBJECT
private slots:
    void x11_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("listening :5") << u":5"_s << true;
        QTest::newRow("screen suffix") << u":5.0"_s << true;
        QTest::newRow("unix host") << u"unix:5"_s << true;
        QTest::newRow("nobody listens on :6") << u":6"_s << false;   // stale socket file
        QTest::newRow("no socket for :7") << u":7"_s << false;
        QTest::newRow("another host counts as reachable") << u"remote.example:0"_s << true;
        QTest::newRow("not a display name") << u"nonsense"_s << false;
        QTest::newRow("empty") << QString() << false;
    }
    void x11()
    {
        QFETCH(QString, display);
        QFETCH(bool, reachable);
        QTemporaryDir dir;
        Listener live(dir.path() + u"/X5"_s);
        QVERIFY(live.ok());
        { Listener stale(dir.path() + u"/X6"_s); QVERIFY(stale.ok()); }
        QCOMPARE(x11DisplayReachable(display, dir.path()), reachable);
    }

    void plugin_foundThroughQtPluginPath()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + u"/platforms"_s);
        QFile plugin(dir.path() + u"/platforms/libqquillboxtest-generic.so"_s);
        QVERIFY(plugin.open(QIODevice::WriteOnly));
        plugin.close();
        const QByteArray saved = qgetenv("QT_PLUGIN_PATH");
        qputenv("QT_PLUGIN_PATH", QFile::encodeName(u"/nonexistent:"_s + dir.path()));
        const bool found = qtPlatformPluginPresent(u"quillboxtest"_s);
        const bool other = qtPlatformPluginPresent(u"quillboxmissing"_s);
        qputenv("QT_PLUGIN_PATH", saved);
        QVERIFY(found);
        QVERIFY(!other);
    }
};

QTEST_GUILESS_MAIN(tst_DisplayProbe)
#include "tst_displayprobe.moc"
