#include "tools/common/cli.h"

#include "tools/common/console.h"

#include <QCoreApplication>

namespace tools {

CommandLine::CommandLine(const QString& usage, const QString& description)
    : m_baud({QStringLiteral("b"), QStringLiteral("baud")},
             tr("baud rate of the port (default 115200)"), QStringLiteral("N"),
             QStringLiteral("115200"))
    , m_usage(usage) {
    m_parser.setApplicationDescription(description);
}

void CommandLine::addPortArguments() {
    m_parser.addOption(m_baud);
    m_parser.addPositionalArgument(QStringLiteral("PORT"),
                                   tr("serial port of the module, e.g. /dev/ttyUSB0"));
}

bool CommandLine::baudRate(qint32* rate) const {
    bool ok = false;
    *rate = m_parser.value(m_baud).toInt(&ok);
    if (ok && *rate > 0)
        return true;
    usageError(
        tr("invalid baud rate '%1': expected a positive whole number").arg(m_parser.value(m_baud)));
    return false;
}

int CommandLine::parse(const QStringList& arguments) {
    // Last in the help, after the tool's own options.
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, helpText());
        return Success;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return Success;
    }
    return -1;
}

QString CommandLine::helpText() const {
    QString text = m_parser.helpText();
    // Qt names the program by the path it was started with; the name reads better.
    text.replace(0, text.indexOf(QLatin1Char('\n')), m_usage);
    if (!m_notes.isEmpty())
        text += QLatin1Char('\n') + m_notes;
    if (!m_codes.isEmpty()) {
        text += QLatin1Char('\n') + tr("Exit status:\n");
        for (const ExitMeaning& c : m_codes)
            text += QStringLiteral("  %1  %2\n").arg(int(c.code)).arg(tr(c.meaning));
    }
    return text;
}

int usageError(const QString& message) {
    complain(message);
    print(stderr, tr("Try '%1 --help'.\n").arg(QCoreApplication::applicationName()));
    return Usage;
}

} // namespace tools
