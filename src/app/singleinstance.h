// SPDX-License-Identifier: GPL-3.0-or-later
// One running Quillbox per program directory: a later start hands its files to the running
// window over a per-user local socket and ends.
//
// The message is "QBOPEN1\n", a 4-byte big-endian count of paths, then per path a 4-byte
// big-endian length and the path's bytes as the file system names it (absolute, no NUL). The
// listener answers a well-formed message with "OK\n". Anything else — a peer of another user,
// a wrong header, a count or length beyond the limits, a message left unfinished — is dropped
// without an answer and changes nothing.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace Qb::App {

struct HandOverLimits
{
    static constexpr quint32 MaxFiles = 256;
    static constexpr quint32 MaxPathBytes = 4096;
    static constexpr qsizetype MaxMessageBytes = 12 + MaxFiles * (4 + MaxPathBytes);
};

QByteArray encodeHandOver(const QStringList &absolutePaths);

struct HandOverDecoded
{
    enum class State { Incomplete, Complete, Malformed };
    State state = State::Incomplete;
    QStringList paths; // when Complete
};
// Decodes a message received so far; bytes beyond a complete message make it Malformed.
HandOverDecoded decodeHandOver(const QByteArray &received);

// The socket of the program directory `programDirectory`: <runtime dir>/quillbox/<hash>.sock,
// where the runtime dir is $XDG_RUNTIME_DIR, or a private folder in the temporary directory
// when it is unset. Two program directories never share a socket.
QString instanceSocketPath(const QString &programDirectory);

enum class HandOverResult {
    Delivered,  // the running instance took the files
    NoListener, // nothing listens: this process becomes the running instance
    NoAnswer,   // something listens but did not answer in time: treated as dead
};
// Connects to socketPath and sends the paths; waits at most timeoutMs for the answer. Needs no
// application object, display or event loop.
HandOverResult handOverToRunningInstance(const QString &socketPath, const QStringList &absolutePaths,
                                         int timeoutMs = 2000);

// The first instance's side. Emits handOver for each well-formed message from a peer of the
// same user; every other connection is closed and forgotten.
class InstanceListener : public QObject
{
    Q_OBJECT

public:
    // The peer's user id for a connected socket descriptor (SO_PEERCRED; a seam for tests).
    using PeerUserId = std::function<std::optional<uint>(qintptr descriptor)>;

    explicit InstanceListener(QObject *parent = nullptr);
    ~InstanceListener() override;

    void setPeerUserId(PeerUserId peerUserId) { m_peerUserId = std::move(peerUserId); }
    // How long a connection may take to deliver its message.
    void setReceiveTimeout(int ms) { m_receiveTimeoutMs = ms; }

    // Listens on socketPath, creating its folder with mode 0700 and removing a socket left
    // by a process that has ended. False (with the reason in error()) when the folder is not
    // private to this user or another listener is still there.
    bool listen(const QString &socketPath);
    QString error() const { return m_error; }

Q_SIGNALS:
    void handOver(const QStringList &paths);

private:
    bool preparePrivateFolder(const QString &folder);
    void acceptConnection();
    void readFrom(QLocalSocket *socket);

    QLocalServer *m_server;
    PeerUserId m_peerUserId;
    int m_receiveTimeoutMs = 2000;
    QString m_error;
};

} // namespace Qb::App
