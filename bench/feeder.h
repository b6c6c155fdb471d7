#pragma once

// The module's end of a pseudo-terminal, fed from a thread of its own so the reader under
// test never waits for the writer.

#include <QString>

#include <QByteArray>

#include <atomic>
#include <functional>
#include <thread>

namespace bench {

constexpr int line_size = 40;
constexpr int flood_baud = 4000000;

class Feeder {
public:
    Feeder();
    ~Feeder();
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

    bool isOpen() const { return !m_path.isEmpty(); }
    QString slavePath() const { return m_path; }

    // Writes lines of line_size bytes ("+DATA:00000001,..." CR LF); rate in lines per second,
    // 0: as fast as the terminal takes them.
    void start(quint64 lines, double rate);
    // Writes chunk(0), chunk(1), ... up to count chunks, one every intervalMs (0: as fast as
    // the terminal takes them); written() counts chunks. Made as they go, so a stream of
    // 16 MiB never sits in the memory of the process under test.
    void startChunks(std::function<QByteArray(quint64)> chunk, quint64 count, int intervalMs);
    quint64 written() const { return m_written.load(); }
    bool done() const { return m_done.load(); }
    // The CPU the feeding thread has used, so far or in all: not the reader's.
    qint64 cpuNs() const { return m_cpuNs.load(); }

private:
    void run(quint64 lines, double rate);
    bool writeAll(const char* data, size_t size);

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::thread m_thread;
    std::atomic<quint64> m_written{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_cpuNs{0};
};

} // namespace bench
