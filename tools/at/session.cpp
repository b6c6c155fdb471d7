#include "tools/at/session.h"

#include "tools/common/cli.h"
#include "tools/common/console.h"
#include "tools/common/port.h"

namespace atcmd {

using namespace tools;

namespace {

bool isFinal(const QString& line) {
    return line == QLatin1String("OK") || line == QLatin1String("ERROR") ||
           line == QLatin1String("FAIL") || line.startsWith(QLatin1String("+CME ERROR:")) ||
           line.startsWith(QLatin1String("+CMS ERROR:"));
}

// The command's name as its answers carry it: "VERSION" for AT+VERSION=..., empty for AT.
QString commandName(const QString& command) {
    if (!command.startsWith(QLatin1String("AT+"), Qt::CaseInsensitive))
        return {};
    static const QRegularExpression end(QStringLiteral("[=?]"));
    return command.mid(3).section(end, 0, 0);
}

// A line of the answer, not another command's report: + and the command's name, or no +.
bool belongsTo(const QString& line, const QString& command) {
    if (!line.startsWith(QLatin1Char('+')))
        return true;
    const QString name = line.mid(1).section(QLatin1Char(':'), 0, 0);
    return !name.isEmpty() && name.compare(commandName(command), Qt::CaseInsensitive) == 0;
}

// The byte count a +READB header announces, as the client's framing reads it.
bool announcesBlock(const QString& line) {
    return line.startsWith(QLatin1String("+READB"), Qt::CaseInsensitive) &&
           line.section(QLatin1Char(':'), 1, 1).toInt() > 0;
}

} // namespace

Session::Session(const Options& options, Report* report, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_report(report)
    , m_client(new at::Client(this))
    , m_port(new QSerialPort(m_client)) {
    m_client->setSerialPort(m_port);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { endStep(Record::Timeout); });
    connect(m_client, &at::Client::sended, this,
            [this](const QByteArray& d) { m_report->sent(d); });
    connect(m_client, &at::Client::sendedBinary, this,
            [this](const QByteArray& d) { m_report->sentBinary(d); });
    connect(m_client, &at::Client::received, this, &Session::onReceived);
    connect(m_client, &at::Client::receivedBinary, this, &Session::onReceivedBinary);
    connect(m_port, &QSerialPort::errorOccurred, this, &Session::onPortError);
}

ExitCode Session::open() {
    QString message;
    m_client->setLineEnding(m_options.lineEnding);
    const ExitCode code =
        openPort(*m_client, m_options.port, m_options.baud, &message, m_options.line);
    if (code != Success)
        complain(message);
    return code;
}

void Session::add(const Step& step) {
    m_queue.append(step);
    if (!m_running)
        startNext();
}

void Session::noMoreSteps() {
    m_noMore = true;
    if (!m_running)
        startNext();
}

void Session::interrupt() {
    if (m_finishing)
        return;
    if (m_running) {
        endStep(Record::Cancelled);
        return;
    }
    complain(tr("stopped by Ctrl-C"));
    finish(Cancelled);
}

void Session::startNext() {
    if (m_finishing)
        return;
    if (m_queue.isEmpty()) {
        if (m_noMore)
            finish(m_code);
        return;
    }
    const Step step = m_queue.takeFirst();
    if (step.kind == Step::Invalid) {
        usageError(step.text);
        finish(Usage);
        return;
    }
    m_record.number = ++m_count;
    m_record.step = step;
    m_running = true;
    m_endWithBlock = false;
    m_clock.start();
    m_timer.start(step.timeoutMs);
    if (step.kind == Step::Command) {
        m_client->userCommand(step.text, step.payload);
        return;
    }
    // The line may have come before the wait began (between two steps).
    for (qsizetype i = 0; i < m_record.unsolicited.size(); ++i) {
        if (step.pattern.match(m_record.unsolicited.at(i)).hasMatch()) {
            m_record.result = m_record.unsolicited.takeAt(i);
            m_record.answer.append(m_record.result);
            m_endWithBlock = m_blockDue && announcesBlock(m_record.result);
            if (!m_endWithBlock)
                endStep(Record::Ok);
            return;
        }
    }
}

void Session::onReceived(const QByteArray& data) {
    QByteArray bytes = data;
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (bytes.isEmpty())
        return;
    const QString line = QString::fromUtf8(bytes);
    if (announcesBlock(line))
        m_blockDue = true;
    Record& r = m_record;
    if (!m_running) {
        r.unsolicited.append(line);
        m_report->received(line, true);
        return;
    }
    if (r.step.kind == Step::Wait) {
        if (m_endWithBlock || !r.step.pattern.match(line).hasMatch()) {
            r.unsolicited.append(line);
            m_report->received(line, true);
            return;
        }
        r.result = line;
        r.answer.append(line);
        m_report->received(line, false);
        m_endWithBlock = announcesBlock(line);
        if (!m_endWithBlock)
            endStep(Record::Ok);
        return;
    }
    if (!r.echo && r.answer.isEmpty() && line == r.step.text) {
        r.echo = true;
        return;
    }
    if (isFinal(line)) {
        r.result = line;
        m_report->received(line, false);
        endStep(line == QLatin1String("OK") ? Record::Ok : Record::Error);
        return;
    }
    const bool answer = belongsTo(line, r.step.text);
    (answer ? r.answer : r.unsolicited).append(line);
    m_report->received(line, !answer);
}

void Session::onReceivedBinary(const QByteArray& data) {
    m_blockDue = false;
    m_record.blocks.append(data);
    m_report->receivedBinary(data);
    if (m_running && m_endWithBlock)
        endStep(Record::Ok);
}

void Session::onPortError(QSerialPort::SerialPortError error) {
    const QString failure = portFailure(m_port, error);
    if (failure.isEmpty() || m_finishing)
        return;
    complain(tr("the serial port '%1' failed: %2").arg(m_options.port, failure));
    if (m_running)
        endStep(Record::PortFailed);
    else
        finish(PortLost);
}

QString Session::described() const {
    return tr("step %1 (%2)")
        .arg(m_record.number)
        .arg(m_record.step.kind == Step::Wait ? QStringLiteral("wait ") + m_record.step.text
                                              : m_record.step.text);
}

void Session::endStep(Record::Status status) {
    m_timer.stop();
    m_running = false;
    m_record.status = status;
    m_record.ms = m_clock.elapsed();
    ExitCode code = Success;
    switch (status) {
    case Record::Ok:
        break;
    case Record::Error:
        code = ModuleFail;
        complain(tr("%1 answered %2").arg(described(), m_record.result));
        break;
    case Record::Timeout:
        code = Timeout;
        complain((m_record.step.kind == Step::Wait ? tr("%1: no such line within %2 ms")
                                                   : tr("%1: no final answer within %2 ms"))
                     .arg(described())
                     .arg(m_record.step.timeoutMs));
        break;
    case Record::PortFailed:
        code = PortLost;
        break;
    case Record::Cancelled:
        code = Cancelled;
        complain(tr("%1 stopped by Ctrl-C").arg(described()));
        break;
    }
    m_report->ended(m_record);
    m_record = Record();
    if (m_code == Success)
        m_code = code;
    if (status == Record::PortFailed || status == Record::Cancelled)
        finish(code);
    else if (code != Success && !m_options.keepGoing)
        finish(code);
    else
        startNext();
}

void Session::finish(ExitCode code) {
    if (m_finishing)
        return;
    m_finishing = true;
    m_timer.stop();
    // Lines that came with the last answer are still being taken: they are reported first.
    QTimer::singleShot(0, this, [this, code] {
        if (!m_record.unsolicited.isEmpty() || !m_record.blocks.isEmpty())
            m_report->ended(m_record);
        m_client->serialPortClose(true);
        emit finished(code);
    });
}

} // namespace atcmd
