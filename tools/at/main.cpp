#include "at/client.h"
#include "at/exchange.h"
#include "at/steprunner.h"
#include "tools/at/autobaud.h"
#include "tools/at/options.h"
#include "tools/at/report.h"
#include "tools/common/cli.h"
#include "tools/common/console.h"
#include "tools/common/interrupt.h"
#include "tools/common/port.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

using namespace tools;

// Steps read ahead of the run: endless input (yes AT) would otherwise be taken in whole.
constexpr qsizetype maxQueued = 256;
// A step line beyond this is no step (a 16 MiB payload in hex with blanks is 48 MiB).
constexpr qsizetype maxStepLine = 64 * 1024 * 1024;

// Feeds the lines of standard input to the runner as they come, a terminal's too.
void readSteps(at::StepRunner* runner, int timeoutMs) {
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, runner);
    auto buffer = std::make_shared<QByteArray>();
    auto number = std::make_shared<int>(0);
    auto ended = std::make_shared<bool>(false);
    auto afterCr = std::make_shared<bool>(false);
    const auto take = [=](const QByteArray& raw) {
        ++*number;
        const QString text = QString::fromLocal8Bit(raw);
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(QLatin1Char('#')))
            return;
        at::Step step;
        QString error;
        if (!at::parseStep(text, timeoutMs, &step, &error)) {
            step.kind = at::Step::Invalid;
            step.text = tr("line %1: %2").arg(*number).arg(error);
        }
        runner->add(step);
    };
    QObject::connect(notifier, &QSocketNotifier::activated, runner, [=] {
        // One read: the notifier says it will not block.
        char chunk[65536];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got > 0) {
            const qsizetype searched = buffer->size();
            buffer->append(chunk, got);
            qsizetype from = 0;
            for (qsizetype end = searched; end < buffer->size(); ++end) {
                const char c = buffer->at(end);
                if (c != '\n' && c != '\r')
                    continue;
                // A CR alone ends a line as well (a file saved so ran no step at all), CR LF
                // ends one.
                const bool crlf = c == '\n' && *afterCr && end == from;
                *afterCr = c == '\r';
                if (!crlf)
                    take(buffer->mid(from, end - from));
                from = end + 1;
            }
            buffer->remove(0, from);
            if (buffer->size() > maxStepLine) {
                *ended = true;
                notifier->setEnabled(false);
                buffer->clear();
                at::Step step;
                step.kind = at::Step::Invalid;
                step.text = tr("line %1: longer than %2 bytes").arg(*number + 1).arg(maxStepLine);
                runner->add(step);
                runner->noMoreSteps();
            } else if (runner->queued() >= maxQueued) {
                notifier->setEnabled(false);
            }
            return;
        }
        *ended = true;
        notifier->setEnabled(false);
        if (!buffer->isEmpty())
            take(*buffer);
        runner->noMoreSteps();
    });
    QObject::connect(runner, &at::StepRunner::stepEnded, notifier, [=] {
        if (!*ended && runner->queued() < maxQueued)
            notifier->setEnabled(true);
    });
}

QString described(const at::StepRecord& r) {
    return tr("step %1 (%2)")
        .arg(r.number)
        .arg(r.step.kind == at::Step::Wait ? QStringLiteral("wait ") + r.step.text : r.step.text);
}

// Says what went wrong with the step; its exit status.
ExitCode judge(const at::StepRecord& r) {
    switch (r.status) {
    case at::StepRecord::Ok:
        return Success;
    case at::StepRecord::Error:
        complain(tr("%1 answered %2").arg(described(r), atcmd::printable(r.result)));
        return ModuleFail;
    case at::StepRecord::Timeout:
        complain((r.step.kind == at::Step::Wait ? tr("%1: no such line within %2 ms")
                                                : tr("%1: no final answer within %2 ms"))
                     .arg(described(r))
                     .arg(r.step.timeoutMs));
        return Timeout;
    case at::StepRecord::PortFailed:
        return PortLost;
    case at::StepRecord::Cancelled:
        complain(tr("%1 stopped by Ctrl-C").arg(described(r)));
        return Cancelled;
    case at::StepRecord::Refused:
        complain(tr("%1: %2").arg(described(r), r.failure));
        return PortLost;
    }
    return Success;
}

} // namespace

int main(int argc, char** argv) {
    guardStandardStreams();
    QCoreApplication application(argc, argv);
    setUpTool("kelvra-at");
    atcmd::Options options;
    if (const int code = atcmd::parseArguments(QCoreApplication::arguments(), &options); code >= 0)
        return code;
    if (options.autoBaud) {
        if (const tools::ExitCode found =
                atcmd::findBaudRate(options.port, options.line, options.json, &options.baud);
            found != tools::Success)
            return found;
    }

    atcmd::Report report(options.json, options.quiet);
    Interrupt interrupt;
    at::Client client;
    auto* port = new QSerialPort(&client);
    client.setSerialPort(port);
    client.setLineEnding(options.lineEnding);
    QString message;
    if (const ExitCode opened =
            openPort(client, options.port, options.baud, &message, options.line);
        opened != Success) {
        complain(message);
        return opened;
    }
    // The rows of each line go out before the tracker takes it, which may end the step and
    // write the next command.
    if (options.hex) {
        const QString sent = QStringLiteral("<< ");
        const QString received = QStringLiteral(">> ");
        const auto rows = [&report](const QString& prefix) {
            return [&report, prefix](const QByteArray& d) { report.hexRows(prefix, d); };
        };
        QObject::connect(&client, &at::Client::sended, &client, rows(sent));
        QObject::connect(&client, &at::Client::sendedBinary, &client, rows(sent));
        QObject::connect(&client, &at::Client::received, &client, rows(received));
        QObject::connect(&client, &at::Client::receivedBinary, &client, rows(received));
    }
    at::ExchangeTracker tracker;
    tracker.attach(&client);
    at::StepRunner runner(&client, &tracker);
    runner.setKeepGoing(options.keepGoing);
    runner.setKeepTraffic(options.json);

    ExitCode code = Success;
    const auto fail = [&code](ExitCode failure) {
        if (code == Success)
            code = failure;
    };
    if (!options.hex) {
        QObject::connect(&client, &at::Client::sended, &runner,
                         [&report](const QByteArray& d) { report.sent(d); });
        QObject::connect(&client, &at::Client::sendedBinary, &runner,
                         [&report](const QByteArray& d) { report.sentBinary(d); });
        QObject::connect(&runner, &at::StepRunner::lineTaken, &runner,
                         [&report](const QByteArray& line, at::Exchange::Role role) {
                             report.received(line, role);
                         });
        QObject::connect(&runner, &at::StepRunner::blockTaken, &runner,
                         [&report](const QByteArray& block) { report.receivedBinary(block); });
    }
    QObject::connect(&runner, &at::StepRunner::stepEnded, &runner,
                     [&](const at::StepRecord& record) {
                         report.ended(record);
                         if (record.number > 0)
                             fail(judge(record));
                     });
    QObject::connect(&runner, &at::StepRunner::invalidStep, &runner, [&](const QString& reason) {
        usageError(reason);
        fail(Usage);
    });
    QObject::connect(&runner, &at::StepRunner::finished, &application, [&] {
        client.serialPortClose(true);
        // A report that never reached its file is no success, whatever the module said.
        if (const QString failure = outputFailure(); !failure.isEmpty()) {
            complain(tr("the output could not be written: %1").arg(failure));
            fail(OutputFailed);
        }
        QCoreApplication::exit(code);
    });
    QObject::connect(port, &QSerialPort::errorOccurred, &runner,
                     [&](QSerialPort::SerialPortError error) {
                         const QString failure = portFailure(port, error);
                         if (failure.isEmpty() || !port->isOpen())
                             return;
                         complain(tr("the serial port '%1' failed: %2").arg(options.port, failure));
                         fail(PortLost);
                         runner.stop(at::StepRecord::PortFailed);
                     });
    QObject::connect(&interrupt, &Interrupt::interrupted, &runner, [&](int) {
        if (!runner.stepRunning()) {
            complain(tr("stopped by Ctrl-C"));
            fail(Cancelled);
        }
        runner.stop(at::StepRecord::Cancelled);
    });
    if (options.steps.isEmpty()) {
        readSteps(&runner, options.timeoutMs);
    } else {
        for (const at::Step& step : options.steps)
            runner.add(step);
        runner.noMoreSteps();
    }
    return QCoreApplication::exec();
}
