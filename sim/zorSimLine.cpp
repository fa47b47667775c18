#include "sim/zorSimLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void sleepUntil(qint64 ns)
{
    if (ns <= zorSimLine::nowNs())
        return;
    timespec until;
    until.tv_sec = time_t(ns / 1000000000LL);
    until.tv_nsec = long(ns % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// How long to block in one poll, so that stop requests are seen promptly.
const int pollSlice = 20;

} // namespace

qint64 zorSimLine::nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

zorSimLine::zorSimLine() = default;

zorSimLine::~zorSimLine()
{
    close();
}

bool zorSimLine::open()
{
    close();
    char name[256] = {};
    int m = -1;
    int s = -1;
    if (::openpty(&m, &s, name, nullptr, nullptr) != 0)
        return false;
    termios settings;
    ::tcgetattr(s, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(s, TCSANOW, &settings);
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    master = m;
    slave = s;
    path = QString::fromLocal8Bit(name);
    rxFree = txFree = 0;
    return true;
}

void zorSimLine::close()
{
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
    input.clear();
    arrival.clear();
}

void zorSimLine::readAvailable()
{
    if (master < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        const qint64 now = nowNs();
        for (ssize_t i = 0; i < n; ++i) {
            if (throttle.load()) {
                rxFree = std::max(now, rxFree) + byteNs;
                arrival.append(rxFree);
            } else {
                arrival.append(now);
            }
        }
        input.append(buffer, int(n));
    }
}

bool zorSimLine::receive(char *byte, int timeoutMs, const _interruption &interrupted)
{
    const qint64 deadline = nowNs() + qint64(timeoutMs) * 1000000;
    for (;;) {
        readAvailable();
        if (!input.isEmpty()) {
            sleepUntil(arrival.first());
            *byte = input.at(0);
            input.remove(0, 1);
            arrival.removeFirst();
            return true;
        }
        const qint64 remaining = deadline - nowNs();
        if (master < 0 || remaining <= 0 || interrupted())
            return false;
        pollfd fd = {master, POLLIN, 0};
        if (::poll(&fd, 1, int(std::min<qint64>(remaining / 1000000 + 1, pollSlice))) > 0 && !(fd.revents & POLLIN))
            ::usleep(5000);   // hung up: do not spin
    }
}

void zorSimLine::waitForInput(qint64 ns)
{
    if (master < 0 || !input.isEmpty())
        return;
    const qint64 until = nowNs() + ns;
    pollfd fd = {master, POLLIN, 0};
    const timespec wait{time_t(ns / 1000000000LL), long(ns % 1000000000LL)};
    if (::ppoll(&fd, 1, &wait, nullptr) > 0 && !(fd.revents & POLLIN))
        sleepUntil(until);   // hung up: do not spin
}

bool zorSimLine::hasInput()
{
    readAvailable();
    return !input.isEmpty();
}

int zorSimLine::unread() const
{
    int bytes = 0;
    return slave >= 0 && ::ioctl(slave, FIONREAD, &bytes) == 0 ? bytes : 0;
}

void zorSimLine::discardInput(int quietMs, const _interruption &interrupted)
{
    for (;;) {
        readAvailable();
        input.clear();
        arrival.clear();
        if (master < 0 || interrupted())
            return;
        pollfd fd = {master, POLLIN, 0};
        if (::poll(&fd, 1, quietMs) <= 0 || !(fd.revents & POLLIN))
            return;
    }
}

bool zorSimLine::send(const QByteArray &bytes)
{
    if (!throttle.load())
        return writeRaw(bytes.constData(), bytes.size());
    qint64 at = std::max(nowNs(), txFree);
    for (char byte : bytes) {
        at += byteNs;
        sleepUntil(at);
        if (!writeRaw(&byte, 1))
            return false;
    }
    txFree = at;
    return true;
}

bool zorSimLine::sendInterruptible(const QByteArray &bytes)
{
    if (!throttle.load())
        return !hasInput() && writeRaw(bytes.constData(), bytes.size());
    for (char byte : bytes)
        if (hasInput() || !send(QByteArray(1, byte)))
            return false;
    return true;
}

bool zorSimLine::writeRaw(const char *data, int size)
{
    while (size > 0 && master >= 0) {
        const ssize_t n = ::write(master, data, size_t(size));
        if (n > 0) {
            data += n;
            size -= int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The other end reads nothing (its port is closed): after a while, the rest is
        // lost, as on a line nobody listens to.
        pollfd fd = {master, POLLOUT, 0};
        if (::poll(&fd, 1, 50) <= 0)
            return false;
    }
    return master >= 0;
}
