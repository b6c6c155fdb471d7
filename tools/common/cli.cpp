#include "tools/common/cli.h"

#include "tools/common/console.h"

#include <QCoreApplication>

namespace tools {

CommandLine::CommandLine(const QString& usage, const QString& description)
    : m_baud({QStringLiteral("b"), QStringLiteral("baud")},
             tr("baud rate of the port (default 115200)"), QStringLiteral("N"),
             QStringLiteral("115200"))
    , m_dataBits(QStringLiteral("data-bits"), tr("data bits: 5, 6, 7 or 8 (default 8)"),
                 QStringLiteral("N"), QStringLiteral("8"))
    , m_parity(QStringLiteral("parity"),
               tr("parity: none, even, odd, mark or space (default none)"), QStringLiteral("P"),
               QStringLiteral("none"))
    , m_stopBits(QStringLiteral("stop-bits"), tr("stop bits: 1, 1.5 or 2 (default 1)"),
                 QStringLiteral("N"), QStringLiteral("1"))
    , m_flow(QStringLiteral("flow"), tr("flow control: none, rtscts or xonxoff (default none)"),
             QStringLiteral("F"), QStringLiteral("none"))
    , m_usage(usage) {
    m_parser.setApplicationDescription(description);
}

void CommandLine::addPortArguments() {
    m_parser.addOption(m_baud);
    addLineOptions();
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

void CommandLine::addLineOptions() {
    m_parser.addOptions({m_dataBits, m_parity, m_stopBits, m_flow});
}

bool CommandLine::lineSettings(at::LineSettings* line) const {
    const auto bad = [this](const QCommandLineOption& option, const QString& expected) {
        usageError(tr("invalid %1 '%2': expected %3")
                       .arg(QStringLiteral("--") + option.names().constFirst(),
                            m_parser.value(option), expected));
        return false;
    };
    at::LineSettings result;
    if (!at::parseDataBits(m_parser.value(m_dataBits), &result.dataBits))
        return bad(m_dataBits, tr("5, 6, 7 or 8"));
    if (!at::parseParity(m_parser.value(m_parity), &result.parity))
        return bad(m_parity, tr("none, even, odd, mark or space"));
    if (!at::parseStopBits(m_parser.value(m_stopBits), &result.stopBits))
        return bad(m_stopBits, tr("1, 1.5 or 2"));
    if (!at::parseFlowControl(m_parser.value(m_flow), &result.flowControl))
        return bad(m_flow, tr("none, rtscts or xonxoff"));
    *line = result;
    return true;
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
