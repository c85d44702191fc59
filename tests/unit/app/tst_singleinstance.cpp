// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over between a later start and the running instance: the message format and its
// limits, the listener's checks (peer user, malformed and oversized messages, silent clients),
// stale sockets and the socket's place.
#include "app/singleinstance.h"
#include "platform/peercredentials.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>

using namespace Qb::App;
using namespace Qt::StringLiterals;
using State = HandOverDecoded::State;

namespace {

QByteArray number(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray message(const QList<QByteArray> &paths, std::optional<quint32> count = std::nullopt)
{
    QByteArray out = "QBOPEN1\n" + number(count.value_or(quint32(paths.size())));
    for (const QByteArray &path : paths)
        out += number(quint32(path.size())) + path;
    return out;
}

// Runs the blocking hand-over on another thread while this thread's event loop serves the
// listener.
std::future<HandOverResult> handOverAsync(const QString &path, const QStringList &files, int timeoutMs = 2000)
{
    return std::async(std::launch::async, [=] { return handOverToRunningInstance(path, files, timeoutMs); });
}

HandOverResult waitFor(std::future<HandOverResult> &result)
{
    // The client gives up after its own timeout, so get() cannot block for long.
    (void)QTest::qWaitFor([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000);
    return result.get();
}

// Sends raw bytes and reports whether the listener closed the connection without answering.
bool droppedWithoutAnswer(const QString &path, const QByteArray &bytes)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(bytes);
    socket.flush();
    QByteArray answer;
    (void)QTest::qWaitFor([&] {
        answer += socket.readAll();
        return socket.state() == QLocalSocket::UnconnectedState;
    }, 5000);
    answer += socket.readAll();
    return socket.state() == QLocalSocket::UnconnectedState && answer.isEmpty();
}

} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void decode_everyPrefixIsIncomplete();
    void roundTrip();

    void listener_delivers();
    void listener_dropsOtherUsersAndBadMessages_data();
    void listener_dropsOtherUsersAndBadMessages();
    void listener_dropsSilentClient();
    void client_silentListenerCountsAsDead();
    void listen_staleSocketRemovedLiveOneKept();
    void socketPath_perProgramDirectoryInPrivateFolder();

private:
    static QString runtime() { return qEnvironmentVariable("XDG_RUNTIME_DIR"); }
    static QString socketIn(const QString &name) { return runtime() + u"/quillbox/"_s + name; }
};

void tst_SingleInstance::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("paths");
    const QByteArray chinese = u"/tmp/脚本 一.py"_s.toUtf8();
    QTest::newRow("two paths") << message({"/a/b.py", chinese}) << int(State::Complete)
                               << QStringList{u"/a/b.py"_s, u"/tmp/脚本 一.py"_s};
    QTest::newRow("no file: raise only") << message({}) << int(State::Complete) << QStringList();
    QTest::newRow("wrong header") << ("QBOPEN2\n" + number(0)) << int(State::Malformed) << QStringList();
    QTest::newRow("not a header at all") << QByteArray("GET / HTTP/1.0\r\n\r\n") << int(State::Malformed)
                                         << QStringList();
    QTest::newRow("too many files") << message({}, HandOverLimits::MaxFiles + 1) << int(State::Malformed)
                                    << QStringList();
    QTest::newRow("path too long") << ("QBOPEN1\n" + number(1) + number(HandOverLimits::MaxPathBytes + 1))
                                   << int(State::Malformed) << QStringList();
    QTest::newRow("empty path") << message({""}) << int(State::Malformed) << QStringList();
    QTest::newRow("relative path") << message({"a.py"}) << int(State::Malformed) << QStringList();
    QTest::newRow("NUL in path") << message({QByteArray("/a\0b", 4)}) << int(State::Malformed) << QStringList();
    QTest::newRow("bytes after the message") << (message({"/a.py"}) + "x") << int(State::Malformed)
                                             << QStringList();
    QTest::newRow("oversized") << (message({"/a.py"}) + QByteArray(HandOverLimits::MaxMessageBytes, 'x'))
                               << int(State::Malformed) << QStringList();
}

void tst_SingleInstance::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, state);
    const HandOverDecoded decoded = decodeHandOver(bytes);
    QCOMPARE(int(decoded.state), state);
    QTEST(decoded.paths, "paths");
}

void tst_SingleInstance::decode_everyPrefixIsIncomplete()
{
    const QByteArray whole = message({"/x/one.py", "/y/two.py"});
    for (qsizetype n = 0; n < whole.size(); ++n)
        QVERIFY2(decodeHandOver(whole.first(n)).state == State::Incomplete, qPrintable(QString::number(n)));
}

void tst_SingleInstance::roundTrip()
{
    const QStringList paths{u"/home/u/a b.py"_s, u"/数据/c.py"_s};
    const HandOverDecoded decoded = decodeHandOver(encodeHandOver(paths));
    QCOMPARE(decoded.state, State::Complete);
    QCOMPARE(decoded.paths, paths);
}

void tst_SingleInstance::listener_delivers()
{
    InstanceListener listener;
    QVERIFY2(listener.listen(socketIn(u"deliver.sock"_s)), qPrintable(listener.error()));
    QSignalSpy spy(&listener, &InstanceListener::handOver);
    auto result = handOverAsync(socketIn(u"deliver.sock"_s), {u"/tmp/a.py"_s, u"/tmp/b.py"_s});
    QCOMPARE(waitFor(result), HandOverResult::Delivered);
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), (QStringList{u"/tmp/a.py"_s, u"/tmp/b.py"_s}));
    // The folder is private to the user.
    struct stat info{};
    QCOMPARE(::stat(QFile::encodeName(runtime() + u"/quillbox"_s).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
}

void tst_SingleInstance::listener_dropsOtherUsersAndBadMessages_data()
{
    QTest::addColumn<bool>("otherUser");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("another user") << true << encodeHandOver({u"/tmp/a.py"_s});
    QTest::newRow("peer unknown") << true << encodeHandOver({u"/tmp/a.py"_s});
    QTest::newRow("garbage") << false << QByteArray("\x01\x02garbage\n", 10);
    QTest::newRow("relative path") << false << message({"a.py"});
    QTest::newRow("oversized") << false << (message({"/a.py"}) + QByteArray(HandOverLimits::MaxMessageBytes, 'x'));
}

void tst_SingleInstance::listener_dropsOtherUsersAndBadMessages()
{
    QFETCH(bool, otherUser);
    QFETCH(QByteArray, bytes);
    InstanceListener listener;
    bool refuse = otherUser;
    const bool unknown = QByteArray(QTest::currentDataTag()) == "peer unknown";
    listener.setPeerUserId([&](qintptr descriptor) -> std::optional<uint> {
        if (!refuse)
            return Qb::Platform::peerUserId(descriptor);
        return unknown ? std::nullopt : std::optional<uint>(::getuid() + 1);
    });
    const QString path = socketIn(u"drop.sock"_s);
    QVERIFY2(listener.listen(path), qPrintable(listener.error()));
    QSignalSpy spy(&listener, &InstanceListener::handOver);
    QVERIFY(droppedWithoutAnswer(path, bytes));
    QTest::qWait(50); // a queued hand-over would have arrived by now
    QCOMPARE(spy.size(), 0);
    // The listener carries on for the right user and a good message.
    refuse = false;
    auto result = handOverAsync(path, {u"/tmp/ok.py"_s});
    QCOMPARE(waitFor(result), HandOverResult::Delivered);
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), QStringList{u"/tmp/ok.py"_s});
}

void tst_SingleInstance::listener_dropsSilentClient()
{
    InstanceListener listener;
    listener.setReceiveTimeout(200);
    const QString path = socketIn(u"silent-client.sock"_s);
    QVERIFY(listener.listen(path));
    QSignalSpy spy(&listener, &InstanceListener::handOver);
    // Half a message, then nothing: the listener closes the connection after its timeout.
    QVERIFY(droppedWithoutAnswer(path, encodeHandOver({u"/tmp/a.py"_s}).first(14)));
    QCOMPARE(spy.size(), 0);
}

void tst_SingleInstance::client_silentListenerCountsAsDead()
{
    QLocalServer silent;
    const QString path = socketIn(u"silent.sock"_s);
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(silent.listen(path));
    QElapsedTimer clock;
    clock.start();
    // The kernel accepts the connection; nobody answers.
    QCOMPARE(handOverToRunningInstance(path, {u"/tmp/a.py"_s}, 300), HandOverResult::NoAnswer);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(handOverToRunningInstance(socketIn(u"nobody.sock"_s), {}, 300), HandOverResult::NoListener);
}

void tst_SingleInstance::listen_staleSocketRemovedLiveOneKept()
{
    const QString path = socketIn(u"stale.sock"_s);
    QDir().mkpath(QFileInfo(path).path());
    // A socket file whose process has gone: bound, then closed without being removed.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFile::exists(path));
    QCOMPARE(handOverToRunningInstance(path, {}, 300), HandOverResult::NoListener);

    InstanceListener first;
    QVERIFY2(first.listen(path), qPrintable(first.error()));
    InstanceListener second;
    QVERIFY(!second.listen(path));
    QVERIFY(second.error().contains(u"another instance"_s));
    QSignalSpy spy(&first, &InstanceListener::handOver);
    auto result = handOverAsync(path, {});
    QCOMPARE(waitFor(result), HandOverResult::Delivered);
    QTRY_COMPARE(spy.size(), 1);
}

void tst_SingleInstance::socketPath_perProgramDirectoryInPrivateFolder()
{
    QTemporaryDir a, b;
    const QString pathA = instanceSocketPath(a.path());
    QVERIFY(pathA.startsWith(runtime() + u"/quillbox/"_s));
    QCOMPARE(instanceSocketPath(a.path() + u"/."_s), pathA);
    QVERIFY(instanceSocketPath(b.path()) != pathA);
    QVERIFY(QFile::encodeName(pathA).size() < qsizetype(sizeof(sockaddr_un::sun_path)));
}

int main(int argc, char *argv[])
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication app(argc, argv);
    tst_SingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
