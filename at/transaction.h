#pragma once

#include "at/client.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>

namespace at {

// Builds the parameters of a request line in place.
class Writer {
public:
    explicit Writer(QByteArray* request)
        : m_request(request) {}

    QByteArray& request() const { return *m_request; }
    void addData(const QByteArray& data);
    static char toHex(unsigned char value);

private:
    QByteArray* m_request;
};

// One request sent on the client's own account, answered by "OK" or "FAIL"
// under a time-out. A child of its client; disposes of itself when finished.
class Transaction : public QObject {
public:
    Transaction(Client* client, const QByteArray& command, int timeout);
    ~Transaction() override;

    Client* client() const;
    const QByteArray& command() const { return m_command; }
    int timeout() const { return m_timeout; }

    void begin();
    void end(at::Error err);
    void handle(const QByteArray& payload);
    // The module answered "ERROR" to the request now out. Not an end: the request still ends
    // by its answer or its time-out, but the user is told what the module said.
    void noteError() { m_answeredError = true; }
    bool answeredError() const { return m_answeredError; }

protected:
    void timerEvent(QTimerEvent* event) override;

    virtual void fillRequest(Writer& writer);
    virtual void handleResponse(const QByteArray& payload);
    virtual bool emitEnd(at::Error err);

private:
    QByteArray m_command;
    QBasicTimer m_timer;
    int m_timeout;
    bool m_finished = false;
    bool m_begun = false;
    bool m_answeredError = false;
};

// The module's version query.
class TestTransaction : public Transaction {
public:
    explicit TestTransaction(Client* client);

protected:
    bool emitEnd(at::Error err) override;
};

} // namespace at
