#include "at/steprunner.h"

#include "at/client.h"

#include <QCoreApplication>
#include <QSignalBlocker>

namespace at {

namespace {
// A long run's unsolicited lines are kept for a wait up to here, the newest.
constexpr qsizetype maxBacklog = 1000;
// A device that never stops sending gets its next command all the same.
constexpr int maxDeferrals = 100;

bool announcesBlock(const QByteArray& line) {
    int length = 0;
    return blockHeader(line, &length) && length > 0;
}
} // namespace

StepRunner::StepRunner(Client* client, ExchangeTracker* tracker, QObject* parent)
    : QObject(parent)
    , m_client(client)
    , m_tracker(tracker) {
    qRegisterMetaType<at::StepRecord>("at::StepRecord");
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_quiet.setSingleShot(true);
    m_quiet.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { endStep(StepRecord::Timeout); });
    connect(&m_quiet, &QTimer::timeout, this, [this] { endStep(StepRecord::Timeout); });
    m_pulseTimer.setSingleShot(true);
    m_pulseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pulseTimer, &QTimer::timeout, this, &StepRunner::controlStep);
    // Any byte, a part of a line too, breaks the quiet.
    connect(m_client->serialPort(), &QSerialPort::readyRead, this, [this] {
        if (m_state == Quiet)
            m_quiet.start(m_quietMs);
    });
    connect(tracker, &ExchangeTracker::lineTaken, this, &StepRunner::onLine);
    connect(tracker, &ExchangeTracker::blockTaken, this, &StepRunner::onBlock);
    connect(tracker, &ExchangeTracker::exchangeEnded, this, &StepRunner::onExchangeEnded);
}

void StepRunner::add(const Step& step) {
    m_queue.append(step);
    schedule();
}

void StepRunner::noMoreSteps() {
    m_noMore = true;
    schedule();
}

void StepRunner::stop(StepRecord::Status status) {
    if (m_state == Quiet) {
        // The step has timed out already: that is its result.
        m_noMore = true;
        m_queue.clear();
        endStep(StepRecord::Timeout);
        finish();
    } else if (stepRunning()) {
        endStep(status);
    } else {
        finish();
    }
}

void StepRunner::schedule() {
    // Never from inside a handler of the client: the rest of a read is still to be taken.
    if (m_state != Idle || std::exchange(m_scheduled, true))
        return;
    QTimer::singleShot(0, this, &StepRunner::startNext);
}

bool StepRunner::deferForInput() {
    if (m_client->inputPending() && m_deferred < maxDeferrals) {
        ++m_deferred;
        return true;
    }
    m_deferred = 0;
    return false;
}

void StepRunner::startNext() {
    m_scheduled = false;
    if (m_state != Idle)
        return;
    // What the device sent before the write belongs to what came before.
    if (deferForInput()) {
        schedule();
        return;
    }
    if (m_queue.isEmpty()) {
        if (m_noMore)
            finish();
        return;
    }
    const Step step = m_queue.takeFirst();
    if (step.kind == Step::Invalid) {
        emit invalidStep(step.text);
        finish();
        return;
    }
    m_record.number = ++m_count;
    m_record.step = step;
    m_clock.start();
    if (step.kind == Step::Command) {
        m_state = Command;
        m_tracker->setTimeout(step.timeoutMs);
        m_client->userCommand(step.text, step.payload);
        if (m_state != Command)
            return;
        // Nothing went out: the port is closed.
        if (const Exchange* open = m_tracker->open())
            m_exchange = open->number;
        else
            endStep(StepRecord::PortFailed);
        return;
    }
    if (step.kind == Step::Control) {
        startControl(step);
        return;
    }
    m_state = Wait;
    m_timer.start(step.timeoutMs);
    for (qsizetype i = 0; i < m_backlog.size(); ++i) {
        if (waitMatches(m_backlog.at(i))) {
            const QByteArray line = m_backlog.at(i);
            // The next wait looks at what came after this line.
            m_backlog.remove(0, i + 1);
            // It came after the last step: an answer now, no longer unsolicited.
            m_record.unsolicited.removeOne(line);
            m_record.result = line;
            m_record.answer.append(line);
            m_endWithBlock = m_blockDue && announcesBlock(line);
            if (!m_endWithBlock)
                endStep(StepRecord::Ok);
            return;
        }
    }
}

void StepRunner::startControl(const Step& step) {
    m_state = Control;
    m_pulse.clear();
    if (step.pulseMs <= 0) {
        for (const ControlLine line : step.lines)
            m_pulse.append({line, step.on, 0});
        controlStep();
        return;
    }
    // A pulse inverts the levels the lines have now.
    QList<bool> levels;
    for (const ControlLine line : step.lines) {
        bool on = false;
        if (!controlLine(m_client->serialPort(), line, &on, &m_record.failure)) {
            m_record.failure = QCoreApplication::translate("at", "%1 not pulsed: %2")
                                   .arg(controlLineName(line), m_record.failure);
            endStep(StepRecord::Refused);
            return;
        }
        levels.append(on);
    }
    m_pulse = pulseSteps(step.lines, levels, step.pulseMs);
    controlStep();
}

void StepRunner::controlStep() {
    if (m_state != Control)
        return;
    while (!m_pulse.isEmpty() && m_pulse.first().delayMs == 0) {
        const PulseStep next = m_pulse.takeFirst();
        QString error;
        const bool set = setControlLine(m_client->serialPort(), next.line, next.on, &error);
        // A device that failed has been reported by the port, which may have stopped the run.
        if (m_state != Control)
            return;
        if (!set) {
            if (error.isEmpty())
                error = m_client->serialPort()->errorString();
            m_record.failure = QCoreApplication::translate("at", "%1 not set: %2")
                                   .arg(controlLineName(next.line), error);
            endStep(StepRecord::Refused);
            return;
        }
    }
    if (m_pulse.isEmpty()) {
        m_record.ms = m_clock.elapsed();
        endStep(StepRecord::Ok);
        return;
    }
    m_pulseTimer.start(std::exchange(m_pulse.first().delayMs, 0));
}

bool StepRunner::waitMatches(const QByteArray& line) {
    return m_record.step.pattern.match(QString::fromUtf8(line)).hasMatch();
}

void StepRunner::onLine(const QByteArray& line, Exchange::Role role, quint64 number) {
    if (announcesBlock(line))
        m_blockDue = true;
    if (role == Exchange::Late) {
        if (m_keepTraffic)
            m_record.late.append(line);
    } else if (role == Exchange::Unsolicited) {
        if (m_state == Wait && !m_endWithBlock && waitMatches(line)) {
            m_record.result = line;
            m_record.answer.append(line);
            m_backlog.clear(); // seen by this wait, and none matched
            emit lineTaken(line, Exchange::Result);
            m_endWithBlock = announcesBlock(line);
            if (!m_endWithBlock)
                endStep(StepRecord::Ok);
            return;
        }
        if (m_keepTraffic)
            m_record.unsolicited.append(line);
        m_backlog.append(line);
        if (m_backlog.size() > maxBacklog)
            m_backlog.removeFirst();
    } else if (number != m_exchange) {
        return; // another's command, written past the runner
    }
    emit lineTaken(line, role);
}

void StepRunner::onBlock(const QByteArray& block, Exchange::Role) {
    m_blockDue = false;
    if (m_keepTraffic)
        m_record.blocks.append(block);
    emit blockTaken(block);
    if (m_state == Wait && m_endWithBlock)
        endStep(StepRecord::Ok);
}

void StepRunner::onExchangeEnded(const Exchange& exchange) {
    if (m_state != Command || exchange.number != m_exchange)
        return;
    m_record.echo = exchange.echo;
    m_record.answer = exchange.answer;
    m_record.result = exchange.result;
    m_record.ms = exchange.ms >= 0 ? exchange.ms : m_clock.elapsed();
    switch (exchange.status) {
    case Exchange::Ok:
        endStep(StepRecord::Ok);
        break;
    case Exchange::Error:
        endStep(StepRecord::Error);
        break;
    case Exchange::Timeout:
        if (!m_keepGoing) {
            endStep(StepRecord::Timeout);
            break;
        }
        // The answer may still come: it is this step's, not the next one's.
        m_state = Quiet;
        m_quiet.start(m_quietMs);
        m_timer.start(qMax(m_record.step.timeoutMs, m_quietMs));
        break;
    case Exchange::Open:
        endStep(StepRecord::PortFailed);
        break;
    case Exchange::Unanswered:
        // With the port open, a command written past the runner (typed in the window) ended
        // it: the answer can no longer be told apart, and nothing failed.
        endStep(m_client->serialPort()->isOpen() ? StepRecord::Cancelled : StepRecord::PortFailed);
        break;
    }
}

void StepRunner::endStep(StepRecord::Status status) {
    m_timer.stop();
    m_quiet.stop();
    m_pulseTimer.stop();
    if (m_state == Control) {
        // A pulse cut short: the lines go back at once, as far as they can. A refusal comes
        // before the wait, so what it left undone (no delay) are lines still to be inverted.
        // Quiet: a failing device is not to end the run from in here.
        const QSignalBlocker quiet(m_client->serialPort());
        for (const PulseStep& back : std::exchange(m_pulse, {})) {
            if (back.delayMs > 0 || status != StepRecord::Refused) {
                QString ignored;
                setControlLine(m_client->serialPort(), back.line, back.on, &ignored);
            }
        }
        m_record.ms = m_clock.elapsed();
    }
    if (m_state == Wait) {
        m_record.ms = m_clock.elapsed();
        if (status != StepRecord::Ok)
            m_backlog.clear();
    }
    m_state = Idle;
    m_endWithBlock = false;
    m_record.status = status;
    const StepRecord record = std::exchange(m_record, StepRecord());
    emit stepEnded(record);
    if (status == StepRecord::PortFailed || status == StepRecord::Cancelled ||
        (status != StepRecord::Ok && !m_keepGoing))
        finish();
    else
        schedule();
}

void StepRunner::finish() {
    if (m_state == Finished)
        return;
    m_state = Finished;
    m_timer.stop();
    m_quiet.stop();
    m_pulseTimer.stop();
    QTimer::singleShot(0, this, &StepRunner::finishNow);
}

void StepRunner::finishNow() {
    // Lines that came with the last answer are still being taken: they are reported first.
    if (deferForInput()) {
        QTimer::singleShot(0, this, &StepRunner::finishNow);
        return;
    }
    const StepRecord& r = m_record;
    if (!r.unsolicited.isEmpty() || !r.late.isEmpty() || !r.blocks.isEmpty())
        emit stepEnded(std::exchange(m_record, StepRecord()));
    emit finished();
}

} // namespace at
