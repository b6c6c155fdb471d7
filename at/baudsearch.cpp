#include "at/baudsearch.h"

#include "at/client.h"

#include <algorithm>
#include <functional>

namespace at {

QList<qint32> baudSearchOrder(const QList<qint32>& available) {
    static const QList<qint32> common{115200, 921600, 9600,   57600,  38400,
                                      19200,  230400, 460800, 1000000};
    QList<qint32> order;
    for (qint32 rate : common) {
        if (available.contains(rate))
            order.append(rate);
    }
    QList<qint32> rest;
    for (qint32 rate : available) {
        if (rate > 0 && !order.contains(rate) && !rest.contains(rate))
            rest.append(rate);
    }
    std::sort(rest.begin(), rest.end(), std::greater<qint32>());
    return order + rest;
}

BaudSearch::BaudSearch(Client* client, const QList<qint32>& rates, int waitMs, QObject* parent)
    : QObject(parent)
    , m_client(client)
    , m_rates(rates)
    , m_waitMs(waitMs) {
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &BaudSearch::next);
}

void BaudSearch::start() {
    if (isRunning())
        return;
    QSerialPort* port = m_client->serialPort();
    m_before = port->baudRate();
    if (!port->isOpen()) {
        finish(PortFailed, 0);
        return;
    }
    connect(m_client, &Client::received, this, &BaudSearch::onReceived, Qt::UniqueConnection);
    next();
}

void BaudSearch::cancel() {
    if (isRunning())
        finish(Cancelled, 0);
}

void BaudSearch::next() {
    ++m_index;
    if (m_index >= m_rates.size()) {
        finish(NoAnswer, 0);
        return;
    }
    const qint32 rate = m_rates.at(m_index);
    emit trying(m_index, rate);
    if (!isRunning())
        return; // cancelled from the signal
    m_confirming = false;
    QSerialPort* port = m_client->serialPort();
    // What came at the last rate is noise at this one.
    if (!port->isOpen() || !port->setBaudRate(rate) || !port->clear(QSerialPort::Input)) {
        finish(PortFailed, 0);
        return;
    }
    probe();
}

bool BaudSearch::probe() {
    if (!m_client->send(QByteArrayLiteral("AT\r\n"))) {
        finish(PortFailed, 0);
        return false;
    }
    // AT and OK take ten characters' time on the line: seconds at the slowest rates.
    if (isRunning())
        m_wait.start(m_waitMs + int(100000 / qMax(1, m_rates.at(m_index))));
    return true;
}

void BaudSearch::onReceived(const QByteArray& line) {
    if (!isRunning())
        return;
    // Noise of the last rate may stand before it on the same line.
    if (!line.trimmed().endsWith("OK"))
        return;
    // A late answer to the last rate's AT would pass for this one's: asked once more.
    if (m_confirming) {
        finish(Found, m_rates.at(m_index));
        return;
    }
    m_confirming = true;
    m_wait.stop();
    probe();
}

void BaudSearch::finish(Outcome outcome, qint32 rate) {
    m_wait.stop();
    m_index = -1;
    disconnect(m_client, &Client::received, this, &BaudSearch::onReceived);
    QSerialPort* port = m_client->serialPort();
    // Also on a port closed meanwhile: it would open again at the rate on trial.
    if (outcome != Found && m_before > 0)
        port->setBaudRate(m_before);
    emit finished(outcome, rate);
}

} // namespace at
