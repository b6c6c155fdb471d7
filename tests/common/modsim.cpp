#include "common/modsim.h"

#include <QDeadlineTimer>

namespace test {

bool Modsim::start(const QStringList& args) {
    m_process.start(program(), args);
    QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_path.isEmpty();
}

void Modsim::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

} // namespace test
