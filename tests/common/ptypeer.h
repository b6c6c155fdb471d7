#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <utility>

class QSocketNotifier;

namespace test {

// The module's end of a pseudo-terminal: the program opens slavePath() like any serial port.
// The peer keeps its own slave descriptor open, so the master sees no hang-up between the
// program's opens and closes.
class PtyPeer : public QObject {
    Q_OBJECT
public:
    explicit PtyPeer(QObject* parent = nullptr);
    ~PtyPeer() override { vanish(); }

    QString slavePath() const { return m_path; }
    // Writes everything, waiting for the terminal to take it.
    bool write(const QByteArray& data);
    QByteArray received() const { return m_received; }
    QByteArray takeReceived() { return std::exchange(m_received, {}); }
    void clearReceived() { m_received.clear(); }
    // Runs the event loop until received() contains needle or time runs out.
    bool waitFor(const QByteArray& needle, int timeoutMs = 3000);
    // The device vanishes: both ends of the terminal are closed.
    void vanish();

private:
    void readAvailable();

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_received;
};

} // namespace test
