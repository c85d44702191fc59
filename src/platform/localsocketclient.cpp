// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/localsocketclient.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Qb::Platform {

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Waits for `events` on fd until the deadline; false on timeout or error.
bool ready(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int result = ::poll(&entry, 1, int(deadline.remainingTime()));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const QByteArray &bytes, const QDeadlineTimer &deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else if (n < 0 && errno == EAGAIN && !ready(fd, POLLOUT, deadline))
            return false;
    }
    return true;
}

QByteArray receive(int fd, qsizetype answerSize, const QDeadlineTimer &deadline)
{
    QByteArray answer;
    char buffer[256];
    while (answer.size() < answerSize && ready(fd, POLLIN, deadline)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            break;
        if (n > 0)
            answer.append(buffer, n);
    }
    return answer;
}

} // namespace

LocalExchange exchangeOnLocalSocket(const QString &path, const QByteArray &request, qsizetype answerSize,
                                    int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (native.size() >= qsizetype(sizeof address.sun_path))
        return {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0)
        return {};
    if (::connect(socket.get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        // A full backlog (EAGAIN) means a listener that does not accept: treated as silent.
        if (errno != EAGAIN)
            return {};
        return {LocalExchange::State::NoAnswer, {}};
    }
    if (!sendAll(socket.get(), request, deadline))
        return {LocalExchange::State::NoAnswer, {}};
    const QByteArray answer = receive(socket.get(), answerSize, deadline);
    return {answer.isEmpty() ? LocalExchange::State::NoAnswer : LocalExchange::State::Answered, answer};
}

} // namespace Qb::Platform
