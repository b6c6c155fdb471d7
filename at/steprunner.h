#pragma once

#include "at/exchange.h"
#include "at/step.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace at {

class Client;

// What came of one step.
struct StepRecord {
    // Refused: a control step the port could not do (failure tells why).
    enum Status { Ok, Error, Timeout, PortFailed, Cancelled, Refused };
    int number = 0; // 0: what came between or after the steps
    Step step;
    bool echo = false;
    QList<QByteArray> answer;
    // After a time-out: lines of the command's answer that came before the next write.
    QList<QByteArray> late;
    QList<QByteArray> unsolicited;
    QList<QByteArray> blocks;
    QByteArray result; // the final line, or the line a wait matched
    Status status = Ok;
    QString failure;
    qint64 ms = 0;
};

// Runs steps one after the other over a client whose port is open. A command's answer is
// what the tracker ties to it; a wait looks at every unsolicited line after the one the
// previous wait matched, also those inside another command's answer, and each matches once. The
// next step starts from the event loop, never from a handler of what was received, and takes in
// what the port already has before it writes. After a time-out the next step waits for a quiet
// line: what comes meanwhile is the late answer.
class StepRunner : public QObject {
    Q_OBJECT
public:
    StepRunner(Client* client, ExchangeTracker* tracker, QObject* parent = nullptr);

    // Go on after a step that failed or timed out.
    void setKeepGoing(bool keepGoing) { m_keepGoing = keepGoing; }
    // Records keep the unsolicited and late lines and the blocks (for a report of them): a
    // chatty device fills them for as long as a step waits.
    void setKeepTraffic(bool keep) { m_keepTraffic = keep; }
    // The quiet spell after a time-out; it is waited for at most the step's own time-out (or
    // the spell, if longer).
    void setQuietMs(int ms) { m_quietMs = ms; }
    static constexpr int defaultQuietMs = 300;

    // Runs the step when its turn comes.
    void add(const Step& step);
    // The run ends once the steps given so far have.
    void noMoreSteps();
    // Ends the running step with Cancelled or PortFailed and runs no more.
    void stop(StepRecord::Status status);
    bool stepRunning() const { return m_state != Idle && m_state != Finished; }
    // Steps added and not yet started.
    qsizetype queued() const { return m_queue.size(); }

signals:
    // Every line and block received, as the run sees it: a line a wait matched is its Result.
    void lineTaken(const QByteArray& line, at::Exchange::Role role);
    void blockTaken(const QByteArray& block);
    void stepEnded(const at::StepRecord& record);
    // A step that cannot run (it carries the reason): the run ends there.
    void invalidStep(const QString& reason);
    // After the last step or a stop; what came after the last step is reported before it.
    void finished();

private:
    enum State { Idle, Command, Wait, Quiet, Control, Finished };

    void schedule();
    // True when the device's waiting bytes are to be taken in first; call again later.
    bool deferForInput();
    void startNext();
    void startControl(const Step& step);
    // Sets the lines due now; the rest when their time comes.
    void controlStep();
    void onLine(const QByteArray& line, Exchange::Role role, quint64 number);
    void onBlock(const QByteArray& block, Exchange::Role role);
    void onExchangeEnded(const Exchange& exchange);
    bool waitMatches(const QByteArray& line);
    void endStep(StepRecord::Status status);
    void finish();
    void finishNow();

    Client* m_client;
    ExchangeTracker* m_tracker;
    QList<Step> m_queue;
    StepRecord m_record; // the running step's; between steps what came for the next
    State m_state = Idle;
    int m_count = 0;
    quint64 m_exchange = 0;
    bool m_keepGoing = false;
    bool m_keepTraffic = true;
    bool m_noMore = false;
    bool m_scheduled = false;
    // Turns of the event loop given to the device's waiting bytes before the next write.
    int m_deferred = 0;
    // A +READB header has announced a block that has not come yet.
    bool m_blockDue = false;
    // A wait matched a +READB header and ends with its block.
    bool m_endWithBlock = false;
    // Unsolicited lines since the previous wait, for the next.
    QList<QByteArray> m_backlog;
    QTimer m_timer; // a wait's time-out; the quiet spell's limit
    QTimer m_quiet;
    QTimer m_pulseTimer;
    QList<PulseStep> m_pulse; // of the running control step, yet to be set
    int m_quietMs = defaultQuietMs;
    QElapsedTimer m_clock;
};

} // namespace at

Q_DECLARE_METATYPE(at::StepRecord)
