#include "at/exchange.h"

#include "at/client.h"

namespace at {

namespace {

constexpr int maxBlockLength = 16 * 1024 * 1024;
// Any line without + may be a late answer's, up to a final line that may never come: a chatty
// device would grow it for as long as no command is written.
constexpr qsizetype maxLateLines = 1000;

QByteArray withoutLineEnd(QByteArray line) {
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// "VERSION" for AT+VERSION=..., empty for AT: the name its answer lines carry.
QByteArrayView commandName(QByteArrayView command) {
    if (command.size() < 3 || QByteArrayView(command).first(3).compare("AT+", Qt::CaseInsensitive))
        return {};
    command = command.sliced(3);
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (command.at(i) == '=' || command.at(i) == '?')
            return command.first(i);
    }
    return command;
}

// A line of the command's answer, not another command's report: no +, or + and its name.
bool belongsTo(const QByteArray& line, const QByteArray& command) {
    if (!line.startsWith('+'))
        return true;
    qsizetype colon = line.indexOf(':');
    const QByteArrayView name =
        QByteArrayView(line).sliced(1, (colon < 0 ? line.size() : colon) - 1);
    return !name.isEmpty() && name.compare(commandName(command), Qt::CaseInsensitive) == 0;
}

} // namespace

bool blockHeader(const QByteArray& line, int* length) {
    static const QByteArray key = "+READB";
    // Every line is asked: no copy of it for the question.
    if (QByteArrayView(line).first(qMin(line.size(), key.size())).compare(key, Qt::CaseInsensitive))
        return false;
    const qsizetype first = line.indexOf(':');
    if (first < 0)
        return false;
    const qsizetype second = line.indexOf(':', first + 1);
    bool ok = false;
    const int count = QByteArrayView(line)
                          .sliced(first + 1, (second < 0 ? line.size() : second) - first - 1)
                          .toInt(&ok, 10);
    // The module's largest block is 16 MiB; a bigger count is line noise (a wrong baud
    // rate) and would otherwise swallow all later traffic as one endless block.
    if (!ok || count > maxBlockLength)
        return false;
    *length = count;
    return true;
}

Final finalOf(const QByteArray& line) {
    if (line == "OK")
        return Final::Ok;
    if (line == "ERROR" || line == "FAIL" || line.startsWith("+CME ERROR:") ||
        line.startsWith("+CMS ERROR:"))
        return Final::Error;
    return Final::None;
}

ExchangeTracker::ExchangeTracker(QObject* parent)
    : QObject(parent) {
    qRegisterMetaType<at::Exchange>("at::Exchange");
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { end(Exchange::Timeout); });
}

void ExchangeTracker::attach(Client* client) {
    connect(client, &Client::sended, this, &ExchangeTracker::sent);
    connect(client, &Client::sendedBinary, this, &ExchangeTracker::sentBinary);
    connect(client, &Client::received, this, &ExchangeTracker::received);
    connect(client, &Client::receivedBinary, this, &ExchangeTracker::receivedBinary);
    connect(client, &Client::closed, this, &ExchangeTracker::abandon);
}

void ExchangeTracker::sent(const QByteArray& line) {
    if (open())
        end(Exchange::Unanswered);
    // From here on the late answer cannot be told from the new command's.
    m_late = Exchange();
    m_open = Exchange();
    m_open.number = ++m_count;
    m_open.command = withoutLineEnd(line);
    m_open.sentAt = QDateTime::currentDateTime();
    m_clock.start();
    if (m_timeoutMs > 0)
        m_timer.start(m_timeoutMs);
}

void ExchangeTracker::sentBinary(const QByteArray& payload) {
    if (open())
        m_open.payload += payload;
}

void ExchangeTracker::abandon() {
    if (open())
        end(Exchange::Unanswered);
    m_late = Exchange();
}

void ExchangeTracker::take(const QByteArray& line, Exchange::Role role, quint64 number) {
    if (int length = 0; blockHeader(line, &length) && length > 0) {
        m_blockRole = role;
        m_blockNumber = number;
    }
    emit lineTaken(line, role, number);
}

void ExchangeTracker::received(const QByteArray& raw) {
    const QByteArray line = withoutLineEnd(raw);
    if (line.isEmpty())
        return;
    const Final final = finalOf(line);
    if (open()) {
        Exchange& e = m_open;
        if (!e.echo && e.answer.isEmpty() && line == e.command) {
            e.echo = true;
            take(line, Exchange::Echo, e.number);
        } else if (final != Final::None) {
            const quint64 number = e.number;
            e.result = line;
            e.ms = m_clock.elapsed();
            take(line, Exchange::Result, number);
            // A handler of the line may have written the next command already.
            if (open() && m_open.number == number)
                end(final == Final::Ok ? Exchange::Ok : Exchange::Error);
        } else if (belongsTo(line, e.command)) {
            e.answer.append(line);
            take(line, Exchange::Answer, e.number);
        } else {
            take(line, Exchange::Unsolicited, 0);
        }
        return;
    }
    if (m_late.number != 0 && (final != Final::None || belongsTo(line, m_late.command))) {
        const quint64 number = m_late.number;
        if (final == Final::None) {
            if (m_late.answer.size() < maxLateLines)
                m_late.answer.append(line);
            take(line, Exchange::Late, number);
            return;
        }
        m_late.result = line;
        m_late.ms = m_clock.elapsed();
        const Exchange late = std::exchange(m_late, Exchange());
        take(line, Exchange::Late, number);
        emit lateAnswerEnded(late);
        return;
    }
    take(line, Exchange::Unsolicited, 0);
}

void ExchangeTracker::receivedBinary(const QByteArray& block) {
    const Exchange::Role role = std::exchange(m_blockRole, Exchange::Unsolicited);
    const quint64 number = std::exchange(m_blockNumber, 0);
    if (role == Exchange::Answer && open() && m_open.number == number)
        m_open.blocks.append(block);
    else if (role == Exchange::Late && m_late.number == number)
        m_late.blocks.append(block);
    emit blockTaken(block, role, number);
}

void ExchangeTracker::end(Exchange::Status status) {
    m_timer.stop();
    m_open.status = status;
    if (status == Exchange::Timeout)
        m_late = m_open;
    emit exchangeEnded(m_open);
}

} // namespace at
