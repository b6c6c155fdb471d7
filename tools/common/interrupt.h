#pragma once

#include <QObject>

class QSocketNotifier;

namespace tools {

// Turns SIGINT, SIGTERM and SIGHUP into a signal in the event loop. The handler only
// writes one byte to a pipe; all the work happens in the loop.
class Interrupt : public QObject {
    Q_OBJECT
public:
    explicit Interrupt(QObject* parent = nullptr);
    ~Interrupt() override;

    bool isInstalled() const { return m_notifier != nullptr; }

signals:
    void interrupted(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tools
