#include "tools/at/autobaud.h"
#include "tools/at/options.h"
#include "tools/at/report.h"
#include "tools/at/session.h"
#include "tools/common/console.h"
#include "tools/common/interrupt.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

// Feeds the lines of standard input to the session as they come, a terminal's too.
void readSteps(atcmd::Session* session, int timeoutMs) {
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, session);
    auto buffer = std::make_shared<QByteArray>();
    auto number = std::make_shared<int>(0);
    const auto take = [=](const QByteArray& raw) {
        ++*number;
        QString text = QString::fromLocal8Bit(raw);
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(QLatin1Char('#')))
            return;
        atcmd::Step step;
        QString error;
        if (!atcmd::parseStep(text, timeoutMs, &step, &error)) {
            step.kind = atcmd::Step::Invalid;
            step.text = tools::tr("line %1: %2").arg(*number).arg(error);
        }
        session->add(step);
    };
    QObject::connect(notifier, &QSocketNotifier::activated, session, [=] {
        // One read: the notifier says it will not block.
        char chunk[65536];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got > 0) {
            buffer->append(chunk, got);
            for (qsizetype lf; (lf = buffer->indexOf('\n')) >= 0; buffer->remove(0, lf + 1))
                take(buffer->left(lf));
            return;
        }
        notifier->setEnabled(false);
        if (!buffer->isEmpty())
            take(*buffer);
        session->noMoreSteps();
    });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    tools::setUpTool("kelvra-at");
    atcmd::Options options;
    if (const int code = atcmd::parseArguments(QCoreApplication::arguments(), &options); code >= 0)
        return code;
    if (options.autoBaud) {
        if (const tools::ExitCode found =
                atcmd::findBaudRate(options.port, options.json, &options.baud);
            found != tools::Success)
            return found;
    }

    atcmd::Report report(options.json, options.quiet);
    tools::Interrupt interrupt;
    atcmd::Session session(options, &report);
    QObject::connect(&interrupt, &tools::Interrupt::interrupted, &session,
                     [&session](int) { session.interrupt(); });
    QObject::connect(&session, &atcmd::Session::finished, &application,
                     [](int code) { QCoreApplication::exit(code); });
    if (const tools::ExitCode opened = session.open(); opened != tools::Success)
        return opened;
    if (options.steps.isEmpty()) {
        readSteps(&session, options.timeoutMs);
    } else {
        for (const atcmd::Step& step : options.steps)
            session.add(step);
        session.noMoreSteps();
    }
    return QCoreApplication::exec();
}
