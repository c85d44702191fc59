// SPDX-License-Identifier: GPL-3.0-or-later
// One request and its answer over a Unix domain socket, with no Qt event loop or application
// object: a later start of the program uses it before it connects to a display.
#pragma once

#include <QByteArray>
#include <QString>

namespace Qb::Platform {

struct LocalExchange
{
    enum class State {
        Answered,   // connected, sent, and `answer` holds what came back (possibly short)
        NoListener, // no socket there, or nothing listens on it any more
        NoAnswer,   // a listener took the connection but did not answer in time
    };
    State state = State::NoListener;
    QByteArray answer;
};

// Connects to the socket at `path`, sends `request`, and reads until `answerSize` bytes came,
// the peer closed, or `timeoutMs` passed since the call.
LocalExchange exchangeOnLocalSocket(const QString &path, const QByteArray &request, qsizetype answerSize,
                                    int timeoutMs);

} // namespace Qb::Platform
