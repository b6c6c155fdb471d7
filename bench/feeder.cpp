#include "bench/feeder.h"

#include "bench/meters.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

namespace {

void formatLine(char* out, quint64 number) {
    char text[line_size + 1];
    std::snprintf(text, sizeof text, "+DATA:%08llu,abcdefghijklmnopqrstuvw\r\n",
                  static_cast<unsigned long long>(number % 100000000));
    std::memcpy(out, text, line_size);
}

} // namespace

Feeder::Feeder() {
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    cfsetspeed(&tio, B4000000);
    if (openpty(&m_master, &m_slave, name, &tio, nullptr) == 0) {
        m_path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
}

Feeder::~Feeder() {
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

void Feeder::start(quint64 lines, double rate) {
    m_thread = std::thread([this, lines, rate] { run(lines, rate); });
}

void Feeder::startChunks(std::function<QByteArray(quint64)> chunk, quint64 count, int intervalMs) {
    m_thread = std::thread([this, chunk = std::move(chunk), count, intervalMs] {
        const qint64 start = nowNs();
        for (quint64 i = 0; i < count && !m_stop.load(); ++i) {
            // On a schedule, not after each write: a slow reader does not slow the stream.
            while (intervalMs > 0 && nowNs() - start < qint64(i) * intervalMs * 1000000 &&
                   !m_stop.load()) {
                timespec pause{0, 1000000};
                nanosleep(&pause, nullptr);
            }
            const QByteArray data = chunk(i);
            if (!writeAll(data.constData(), size_t(data.size())))
                break;
            m_written.store(i + 1);
        }
        m_cpuNs.store(threadCpuNs());
        m_done.store(true);
    });
}

void Feeder::run(quint64 lines, double rate) {
    // Made in small chunks: a prepared 40 MB stream would count towards the peak memory of
    // the process under test.
    constexpr quint64 chunk_lines = 100;
    char chunk[chunk_lines * line_size];
    const qint64 start = nowNs();
    quint64 sent = 0;
    while (sent < lines && !m_stop.load()) {
        quint64 due = lines;
        if (rate > 0) {
            due = std::min<quint64>(lines, quint64(double(nowNs() - start) * rate / 1e9));
            if (due <= sent) {
                m_cpuNs.store(threadCpuNs());
                // What is due goes out every 10 ms, as a USB serial adapter hands it on.
                timespec pause{0, 10000000};
                nanosleep(&pause, nullptr);
                continue;
            }
        }
        const quint64 count = std::min(chunk_lines, due - sent);
        for (quint64 i = 0; i < count; ++i)
            formatLine(chunk + i * line_size, sent + i);
        if (!writeAll(chunk, count * line_size))
            break;
        sent += count;
        m_written.store(sent);
    }
    m_cpuNs.store(threadCpuNs());
    m_done.store(true);
}

bool Feeder::writeAll(const char* data, size_t size) {
    while (size > 0) {
        // A reader that gave up must not keep the writer (and the exit) waiting.
        pollfd out{m_master, POLLOUT, 0};
        if (::poll(&out, 1, 50) <= 0) {
            if (m_stop.load())
                return false;
            continue;
        }
        const ssize_t n = ::write(m_master, data, size);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace bench
