#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

namespace test {

// The module simulator (path from $KELVRA_MODSIM) on a fresh pseudo-terminal, for the life
// of this object.
class Modsim {
public:
    ~Modsim() { stop(); }

    // Starts it with the given options; false when it did not come up.
    bool start(const QStringList& args = {}) {
        m_process.start(qEnvironmentVariable("KELVRA_MODSIM"), args);
        QDeadlineTimer deadline(5000);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_path.isEmpty();
    }
    void stop() {
        m_process.terminate();
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    QString portPath() const { return m_path; }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QString m_path;
};

} // namespace test
