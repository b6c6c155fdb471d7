#include "at/transaction.h"

#include <QTimerEvent>

namespace at {

void Writer::addData(const QByteArray& data) {
    QByteArray& out = *m_request;
    out.reserve(out.size() + data.size() * 2);
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        out.append(toHex(byte >> 4));
        out.append(toHex(byte & 0x0F));
    }
}

char Writer::toHex(unsigned char value) {
    value &= 0x0F;
    return value < 10 ? char('0' + value) : char('A' + value - 10);
}

Transaction::Transaction(Client* client, const QByteArray& command, int timeout)
    : QObject(client)
    , m_command(command)
    , m_timeout(timeout) {}

Transaction::~Transaction() {
    m_timer.stop();
    if (Client* c = client(); c && c->m_transaction == this)
        c->m_transaction = nullptr;
}

Client* Transaction::client() const {
    return static_cast<Client*>(parent());
}

void Transaction::begin() {
    QByteArray request = "AT";
    if (!m_command.isEmpty())
        request += '+' + m_command;
    Writer writer(&request);
    fillRequest(writer);
    request += "\r\n";
    Client* c = client();
    m_answeredError = false;
    if (!m_begun) {
        m_begun = true;
        ++c->m_running;
    }
    c->m_transaction = this;
    m_timer.start(m_timeout, Qt::CoarseTimer, this);
    // No answer can come to a request that never left, e.g. when the port closed
    // between two blocks.
    if (!c->send(request))
        end(Timeout);
}

void Transaction::end(at::Error err) {
    if (m_finished)
        return;
    m_timer.stop();
    Client* c = client();
    if (c->m_transaction == this)
        c->m_transaction = nullptr;
    if (err != None)
        emit c->errorOccured(err);
    if (!emitEnd(err))
        return;
    m_finished = true;
    c->transactionFinished();
    c->givePortBack();
    deleteLater();
}

void Transaction::handle(const QByteArray& payload) {
    m_timer.stop();
    handleResponse(payload);
    if (!m_finished)
        m_timer.start(m_timeout, Qt::CoarseTimer, this);
}

void Transaction::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return;
    end(Timeout);
}

void Transaction::fillRequest(Writer& writer) {
    Q_UNUSED(writer);
}

void Transaction::handleResponse(const QByteArray& payload) {
    // Intermediate responses only extend the time-out.
    Q_UNUSED(payload);
}

bool Transaction::emitEnd(at::Error err) {
    Q_UNUSED(err);
    return true;
}

TestTransaction::TestTransaction(Client* client)
    : Transaction(client, "VERSION", 250) {}

bool TestTransaction::emitEnd(at::Error err) {
    emit client()->testCompleated(err);
    return true;
}

} // namespace at
