#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace at {

class Client;

// A +READB header and its count ("+READB:5:0" gives 5), as the client's framing reads it; a
// count of 0 or below announces no block, one beyond the 16 MiB a block may have makes no header.
bool blockHeader(const QByteArray& line, int* length);

// The final line of an answer: OK, ERROR, FAIL, +CME ERROR: n, +CMS ERROR: n.
enum class Final { None, Ok, Error };
Final finalOf(const QByteArray& line);

// One command line written and what came of it.
struct Exchange {
    enum Status { Open, Ok, Error, Timeout, Unanswered };
    // Where a received line or block belongs.
    enum Role {
        Echo,        // the module repeating the command
        Answer,      // a line of the command's answer
        Result,      // its final line
        Late,        // a line of the answer of a command that timed out
        Unsolicited, // outside any answer, or a + line of another command inside one
    };

    quint64 number = 0; // counts the commands written, from 1
    QByteArray command; // the line as written, without its line end
    QByteArray payload; // the bytes written right behind it
    QDateTime sentAt;
    bool echo = false;
    QList<QByteArray> answer;
    QList<QByteArray> blocks;
    QByteArray result; // the final line; empty without one
    Status status = Open;
    qint64 ms = -1; // from the write to the final line; -1 without one
};

// Ties what the module sends to the command it answers. A command's answer is what arrives
// after it was written: up to its final line, or its time-out. A line before is the previous
// command's late answer (after its time-out, up to its final line) or unsolicited. Fed by a
// client's signals (attach) or by hand.
class ExchangeTracker : public QObject {
    Q_OBJECT
public:
    explicit ExchangeTracker(QObject* parent = nullptr);

    // Follows everything the client writes and receives.
    void attach(Client* client);
    // For the commands written from now on; 0: none.
    void setTimeout(int ms) { m_timeoutMs = ms; }

    void sent(const QByteArray& line);
    void sentBinary(const QByteArray& payload);
    // A raw line as the client's received signal carries it (line end included).
    void received(const QByteArray& raw);
    void receivedBinary(const QByteArray& block);
    // The open command gets no answer (the port closed): it ends as Unanswered.
    void abandon();

    // The command waiting for its answer; null when none.
    const Exchange* open() const {
        return m_open.number != 0 && m_open.status == Exchange::Open ? &m_open : nullptr;
    }
    // The number of the command whose late answer is still coming; 0 when none.
    quint64 lateNumber() const { return m_late.number; }

signals:
    // Every line (without its line end) and block received, in order, with where it belongs;
    // number: the command it belongs to, 0 for unsolicited.
    void lineTaken(const QByteArray& line, at::Exchange::Role role, quint64 number);
    void blockTaken(const QByteArray& block, at::Exchange::Role role, quint64 number);
    // A command's answer ended: its final line, its time-out, or another command written first.
    void exchangeEnded(const at::Exchange& exchange);
    // A command that timed out has had its late final line.
    void lateAnswerEnded(const at::Exchange& exchange);

private:
    void end(Exchange::Status status);
    void take(const QByteArray& line, Exchange::Role role, quint64 number);

    Exchange m_open;
    Exchange m_late;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_timeoutMs = 5000;
    quint64 m_count = 0;
    // A block belongs where its +READB header did.
    Exchange::Role m_blockRole = Exchange::Unsolicited;
    quint64 m_blockNumber = 0;
};

} // namespace at

Q_DECLARE_METATYPE(at::Exchange)
