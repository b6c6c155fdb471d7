#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

namespace at {

class Client;

// Rates worth trying, most common first, then the rest of available from the fastest down.
QList<qint32> baudSearchOrder(const QList<qint32>& available);

// Finds the rate a module answers at: at each rate "AT\r\n" and a short wait for "OK", and a
// second AT to confirm a rate that answered. Nothing else is sent. The client's port must be open;
// a rate that does not answer is not left behind on it.
class BaudSearch : public QObject {
    Q_OBJECT
public:
    enum Outcome { Found, NoAnswer, Cancelled, PortFailed };
    Q_ENUM(Outcome)

    BaudSearch(Client* client, const QList<qint32>& rates, int waitMs, QObject* parent = nullptr);

    void start();
    void cancel();
    bool isRunning() const { return m_index >= 0; }
    const QList<qint32>& rates() const { return m_rates; }

signals:
    // Before the probe at rates()[index].
    void trying(int index, qint32 rate);
    // rate is the one found, else 0; emitted once per start().
    void finished(at::BaudSearch::Outcome outcome, qint32 rate);

private:
    void next();
    bool probe();
    void onReceived(const QByteArray& line);
    void finish(Outcome outcome, qint32 rate);

    Client* m_client;
    QList<qint32> m_rates;
    QTimer m_wait;
    int m_index = -1;
    qint32 m_before = 0;
    int m_waitMs;
    // An OK was seen at this rate; a second AT must be answered too.
    bool m_confirming = false;
};

} // namespace at
