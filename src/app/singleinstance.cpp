// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include "platform/localsocketclient.h"
#include "platform/peercredentials.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <memory>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

constexpr char Magic[] = "QBOPEN1\n";
constexpr qsizetype MagicSize = sizeof Magic - 1;
constexpr char Answer[] = "OK\n";

void appendNumber(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

std::optional<quint32> numberAt(const QByteArray &in, qsizetype at)
{
    if (in.size() < at + 4)
        return std::nullopt;
    return qFromBigEndian<quint32>(in.constData() + at);
}

bool acceptablePath(const QByteArray &path)
{
    return path.startsWith('/') && !path.contains('\0');
}

} // namespace

QByteArray encodeHandOver(const QStringList &absolutePaths)
{
    QByteArray out(Magic, MagicSize);
    appendNumber(out, static_cast<quint32>(absolutePaths.size()));
    for (const QString &path : absolutePaths) {
        const QByteArray bytes = QFile::encodeName(path);
        appendNumber(out, static_cast<quint32>(bytes.size()));
        out.append(bytes);
    }
    return out;
}

HandOverDecoded decodeHandOver(const QByteArray &received)
{
    using State = HandOverDecoded::State;
    const qsizetype prefix = std::min(received.size(), MagicSize);
    if (received.first(prefix) != QByteArrayView(Magic, prefix) || received.size() > HandOverLimits::MaxMessageBytes)
        return {State::Malformed, {}};
    const std::optional<quint32> count = numberAt(received, MagicSize);
    if (!count)
        return {};
    if (*count > HandOverLimits::MaxFiles)
        return {State::Malformed, {}};
    HandOverDecoded result;
    qsizetype at = MagicSize + 4;
    for (quint32 i = 0; i < *count; ++i) {
        const std::optional<quint32> length = numberAt(received, at);
        if (length && (*length == 0 || *length > HandOverLimits::MaxPathBytes))
            return {State::Malformed, {}};
        if (!length || received.size() < at + 4 + *length)
            return {};
        const QByteArray path = received.sliced(at + 4, *length);
        if (!acceptablePath(path))
            return {State::Malformed, {}};
        result.paths.append(QFile::decodeName(path));
        at += 4 + *length;
    }
    result.state = received.size() == at ? State::Complete : State::Malformed;
    if (result.state == State::Malformed)
        result.paths.clear();
    return result;
}

QString instanceSocketPath(const QString &programDirectory)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = runtime.isEmpty()
        ? QString(QDir::tempPath() + u"/quillbox-"_s + QString::number(Platform::currentUserId()))
        : QString(runtime + u"/quillbox"_s);
    const QFileInfo info(programDirectory);
    const QString canonical = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256);
    return folder + u'/' + QString::fromLatin1(hash.toHex().first(24)) + u".sock"_s;
}

HandOverResult handOverToRunningInstance(const QString &socketPath, const QStringList &absolutePaths, int timeoutMs)
{
    const Platform::LocalExchange exchange = Platform::exchangeOnLocalSocket(
        socketPath, encodeHandOver(absolutePaths), qsizetype(sizeof Answer - 1), timeoutMs);
    switch (exchange.state) {
    case Platform::LocalExchange::State::NoListener: return HandOverResult::NoListener;
    case Platform::LocalExchange::State::NoAnswer: return HandOverResult::NoAnswer;
    case Platform::LocalExchange::State::Answered: break;
    }
    return exchange.answer == Answer ? HandOverResult::Delivered : HandOverResult::NoAnswer;
}

InstanceListener::InstanceListener(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
    , m_peerUserId(&Platform::peerUserId)
{
    // No socket options: with them Qt binds in a temporary folder and renames the socket into
    // place, which would silently replace a live instance's socket. The folder is private.
    connect(m_server, &QLocalServer::newConnection, this, &InstanceListener::acceptConnection);
}

InstanceListener::~InstanceListener() = default;

bool InstanceListener::preparePrivateFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists() && !QDir().mkpath(folder)) {
        m_error = u"cannot create %1"_s.arg(folder);
        return false;
    }
    const QFileInfo made(folder);
    if (made.isSymLink() || !made.isDir() || made.ownerId() != Platform::currentUserId()) {
        m_error = u"%1 is not a folder of this user"_s.arg(folder);
        return false;
    }
    if (!QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        m_error = u"cannot make %1 private"_s.arg(folder);
        return false;
    }
    return true;
}

bool InstanceListener::listen(const QString &socketPath)
{
    if (!preparePrivateFolder(QFileInfo(socketPath).path()))
        return false;
    if (m_server->listen(socketPath))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(socketPath);
        if (probe.waitForConnected(500)) {
            m_error = u"another instance listens on %1"_s.arg(socketPath);
            return false;
        }
        // The socket of a process that has ended.
        QLocalServer::removeServer(socketPath);
        if (m_server->listen(socketPath))
            return true;
    }
    m_error = m_server->errorString();
    return false;
}

void InstanceListener::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const std::optional<uint> peer = m_peerUserId(socket->socketDescriptor());
        if (!peer || *peer != Platform::currentUserId()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        readFrom(socket);
    }
}

void InstanceListener::readFrom(QLocalSocket *socket)
{
    auto received = std::make_shared<QByteArray>();
    auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    QTimer::singleShot(m_receiveTimeoutMs, socket, drop);
    auto consume = [this, socket, received, drop] {
        *received += socket->read(HandOverLimits::MaxMessageBytes + 1 - received->size());
        const HandOverDecoded decoded = decodeHandOver(*received);
        if (decoded.state == HandOverDecoded::State::Incomplete)
            return;
        if (decoded.state == HandOverDecoded::State::Malformed) {
            drop();
            return;
        }
        socket->write(Answer);
        socket->flush();
        socket->disconnectFromServer();
        // Queued: opening a file may ask a question in a nested event loop, which must not run
        // inside this socket's signal.
        QMetaObject::invokeMethod(this, [this, paths = decoded.paths] { emit handOver(paths); },
                                  Qt::QueuedConnection);
    };
    connect(socket, &QLocalSocket::readyRead, socket, consume);
    if (socket->bytesAvailable() > 0)
        consume();
}

} // namespace Qb::App
