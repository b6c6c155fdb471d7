#include "at/line.h"

#include <QCoreApplication>
#include <QSignalBlocker>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace at {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("at", text);
}

struct Name {
    int value;
    const char* name;
};

const Name parities[] = {{QSerialPort::NoParity, "none"},
                         {QSerialPort::EvenParity, "even"},
                         {QSerialPort::OddParity, "odd"},
                         {QSerialPort::MarkParity, "mark"},
                         {QSerialPort::SpaceParity, "space"}};
const Name stopBits[] = {
    {QSerialPort::OneStop, "1"}, {QSerialPort::OneAndHalfStop, "1.5"}, {QSerialPort::TwoStop, "2"}};
const Name flows[] = {{QSerialPort::NoFlowControl, "none"},
                      {QSerialPort::HardwareControl, "rtscts"},
                      {QSerialPort::SoftwareControl, "xonxoff"}};
const Name endings[] = {{int(LineEnding::CrLf), "crlf"},
                        {int(LineEnding::Cr), "cr"},
                        {int(LineEnding::Lf), "lf"},
                        {int(LineEnding::None), "none"}};

template <size_t N> QString nameOf(const Name (&names)[N], int value) {
    for (const Name& n : names) {
        if (n.value == value)
            return QString::fromLatin1(n.name);
    }
    return {};
}

template <size_t N> bool valueOf(const Name (&names)[N], const QString& text, int* value) {
    for (const Name& n : names) {
        if (text.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            *value = n.value;
            return true;
        }
    }
    return false;
}

const char parityLetters[] = "NEOMS";
const QSerialPort::Parity parityOfLetter[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                              QSerialPort::OddParity, QSerialPort::MarkParity,
                                              QSerialPort::SpaceParity};

// The settings, one text each, where a and b differ.
QStringList differences(const LineSettings& a, const LineSettings& b) {
    QStringList parts;
    if (a.dataBits != b.dataBits)
        parts << tr("%1 data bits").arg(int(a.dataBits));
    if (a.parity != b.parity) {
        switch (a.parity) {
        case QSerialPort::EvenParity:
            parts << tr("even parity");
            break;
        case QSerialPort::OddParity:
            parts << tr("odd parity");
            break;
        case QSerialPort::MarkParity:
            parts << tr("mark parity");
            break;
        case QSerialPort::SpaceParity:
            parts << tr("space parity");
            break;
        default:
            parts << tr("no parity");
        }
    }
    if (a.stopBits != b.stopBits)
        parts << tr("%1 stop bits").arg(stopBitsName(a.stopBits));
    if (a.flowControl != b.flowControl) {
        parts << (a.flowControl == QSerialPort::HardwareControl   ? tr("RTS/CTS flow control")
                  : a.flowControl == QSerialPort::SoftwareControl ? tr("XON/XOFF flow control")
                                                                  : tr("no flow control"));
    }
    return parts;
}

// What the device really has: a driver that cannot do a setting keeps another without an
// error (a pseudo-terminal stays 8 bits without parity). False where it cannot be read.
bool deviceLine(QSerialPort* port, LineSettings* line) {
    return port->isOpen() && terminalLine(port->handle(), line);
}

// An error of the device itself (gone, failing), not of a setting it refuses.
bool failing(QSerialPort::SerialPortError error) {
    return error != QSerialPort::NoError && error != QSerialPort::UnsupportedOperationError &&
           error != QSerialPort::UnknownError;
}

// The port's complaint about a setting would read as a failing device, so the caller names the
// setting instead; a device that really fails is still the port's to report, once it is done.
class Quiet {
public:
    explicit Quiet(QSerialPort* port)
        : m_port(port)
        , m_blocker(port) {}
    ~Quiet() {
        const QSerialPort::SerialPortError error = m_port->error();
        if (!failing(error))
            m_port->clearError();
        m_blocker.unblock();
        if (failing(error))
            emit m_port->errorOccurred(error);
    }
    Q_DISABLE_COPY(Quiet)

private:
    QSerialPort* m_port;
    QSignalBlocker m_blocker;
};

// Sets each; the port's own refusals come back as false.
bool setAll(QSerialPort* port, const LineSettings& line) {
    bool ok = port->setDataBits(line.dataBits);
    ok = port->setParity(line.parity) && ok;
    ok = port->setStopBits(line.stopBits) && ok;
    ok = port->setFlowControl(line.flowControl) && ok;
    return ok;
}

} // namespace

bool LineSettings::operator==(const LineSettings& other) const {
    return dataBits == other.dataBits && parity == other.parity && stopBits == other.stopBits &&
           flowControl == other.flowControl;
}

QString LineSettings::shape() const {
    int letter = 0;
    while (letter < 4 && parityOfLetter[letter] != parity)
        ++letter;
    QString text = QString::number(int(dataBits)) + QLatin1Char(parityLetters[letter]) +
                   stopBitsName(stopBits);
    if (flowControl == QSerialPort::HardwareControl)
        text += QStringLiteral(" RTS/CTS");
    else if (flowControl == QSerialPort::SoftwareControl)
        text += QStringLiteral(" XON/XOFF");
    return text;
}

LineSettings LineSettings::of(const QSerialPort* port) {
    LineSettings line;
    line.dataBits = port->dataBits();
    line.parity = port->parity();
    line.stopBits = port->stopBits();
    line.flowControl = port->flowControl();
    return line;
}

QString dataBitsName(QSerialPort::DataBits bits) {
    return QString::number(int(bits));
}

QString parityName(QSerialPort::Parity parity) {
    return nameOf(parities, parity);
}

QString stopBitsName(QSerialPort::StopBits bits) {
    return nameOf(stopBits, bits);
}

QString flowControlName(QSerialPort::FlowControl flow) {
    return nameOf(flows, flow);
}

bool parseDataBits(const QString& text, QSerialPort::DataBits* bits) {
    if (text.size() != 1 || text.at(0) < QLatin1Char('5') || text.at(0) > QLatin1Char('8'))
        return false;
    *bits = QSerialPort::DataBits(text.at(0).unicode() - '0');
    return true;
}

bool parseParity(const QString& text, QSerialPort::Parity* parity) {
    int value = 0;
    if (!valueOf(parities, text, &value))
        return false;
    *parity = QSerialPort::Parity(value);
    return true;
}

bool parseStopBits(const QString& text, QSerialPort::StopBits* bits) {
    int value = 0;
    if (!valueOf(stopBits, text, &value))
        return false;
    *bits = QSerialPort::StopBits(value);
    return true;
}

bool parseFlowControl(const QString& text, QSerialPort::FlowControl* flow) {
    int value = 0;
    if (!valueOf(flows, text, &value))
        return false;
    *flow = QSerialPort::FlowControl(value);
    return true;
}

bool parseShape(const QString& text, LineSettings* line) {
    const QStringList words = text.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() > 2 || words.at(0).size() < 3)
        return false;
    const QString frame = words.at(0).toUpper();
    LineSettings result;
    if (!parseDataBits(frame.left(1), &result.dataBits))
        return false;
    const int letter = QByteArray(parityLetters).indexOf(frame.at(1).toLatin1());
    if (letter < 0)
        return false;
    result.parity = parityOfLetter[letter];
    if (!parseStopBits(frame.mid(2), &result.stopBits))
        return false;
    if (words.size() == 2) {
        const QString flow = words.at(1).toUpper();
        if (flow == QLatin1String("RTS/CTS"))
            result.flowControl = QSerialPort::HardwareControl;
        else if (flow == QLatin1String("XON/XOFF"))
            result.flowControl = QSerialPort::SoftwareControl;
        else
            return false;
    }
    *line = result;
    return true;
}

QString lineEndingName(LineEnding ending) {
    return nameOf(endings, int(ending));
}

bool parseLineEnding(const QString& text, LineEnding* ending) {
    int value = 0;
    if (!valueOf(endings, text, &value))
        return false;
    *ending = LineEnding(value);
    return true;
}

QByteArray lineEndingBytes(LineEnding ending) {
    switch (ending) {
    case LineEnding::Cr:
        return QByteArrayLiteral("\r");
    case LineEnding::Lf:
        return QByteArrayLiteral("\n");
    case LineEnding::None:
        return {};
    default:
        return QByteArrayLiteral("\r\n");
    }
}

bool applyLine(QSerialPort* port, const LineSettings& line, QString* refused) {
    refused->clear();
    const LineSettings had = LineSettings::of(port);
    if (!port->isOpen()) {
        setAll(port, line);
        return true;
    }
    const Quiet quiet(port);
    LineSettings taken = line;
    if (!setAll(port, line))
        taken = LineSettings::of(port);
    // Gone, not refusing: the port tells it.
    if (failing(port->error()))
        return false;
    LineSettings device;
    if (deviceLine(port, &device))
        taken = device;
    const QStringList lost = differences(line, taken);
    if (lost.isEmpty())
        return true;
    *refused = lost.join(QStringLiteral(", "));
    setAll(port, had);
    return false;
}

QString checkLine(QSerialPort* port) {
    LineSettings device;
    const LineSettings given = LineSettings::of(port);
    if (!deviceLine(port, &device))
        return {};
    const QStringList lost = differences(given, device);
    if (lost.isEmpty())
        return {};
    const Quiet quiet(port);
    setAll(port, device);
    return lost.join(QStringLiteral(", "));
}

QString lineDifferences(const LineSettings& wanted, const LineSettings& had) {
    return differences(wanted, had).join(QStringLiteral(", "));
}

bool terminalLine(qintptr handle, LineSettings* line) {
#ifdef Q_OS_UNIX
    termios tio{};
    if (::tcgetattr(int(handle), &tio) != 0)
        return false;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        line->dataBits = QSerialPort::Data5;
        break;
    case CS6:
        line->dataBits = QSerialPort::Data6;
        break;
    case CS7:
        line->dataBits = QSerialPort::Data7;
        break;
    default:
        line->dataBits = QSerialPort::Data8;
    }
    const bool odd = tio.c_cflag & PARODD;
    if (!(tio.c_cflag & PARENB))
        line->parity = QSerialPort::NoParity;
#ifdef CMSPAR
    else if (tio.c_cflag & CMSPAR)
        line->parity = odd ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
#endif
    else
        line->parity = odd ? QSerialPort::OddParity : QSerialPort::EvenParity;
    // Termios has no 1.5 stop bits.
    line->stopBits = (tio.c_cflag & CSTOPB) ? QSerialPort::TwoStop : QSerialPort::OneStop;
    if (tio.c_cflag & CRTSCTS)
        line->flowControl = QSerialPort::HardwareControl;
    else if ((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF))
        line->flowControl = QSerialPort::SoftwareControl;
    else
        line->flowControl = QSerialPort::NoFlowControl;
    return true;
#else
    Q_UNUSED(handle)
    Q_UNUSED(line)
    return false;
#endif
}

QString controlLineName(ControlLine line) {
    return line == ControlLine::Dtr ? QStringLiteral("DTR") : QStringLiteral("RTS");
}

bool noControlLines(QSerialPort* port) {
#ifdef Q_OS_UNIX
    int bits = 0;
    return port->isOpen() && ::ioctl(int(port->handle()), TIOCMGET, &bits) != 0 &&
           (errno == ENOTTY || errno == EINVAL);
#else
    Q_UNUSED(port)
    return false;
#endif
}

namespace {

QString controlLineError(QSerialPort* port, ControlLine line) {
    // The port reports a failing device itself.
    if (failing(port->error()))
        return {};
    if (!port->isOpen())
        return tr("the port is not open");
    if (noControlLines(port))
        return tr("%1 has no control lines").arg(port->portName());
    if (line == ControlLine::Rts && port->flowControl() == QSerialPort::HardwareControl)
        return tr("RTS belongs to the RTS/CTS flow control");
    return port->errorString();
}

} // namespace

bool setControlLine(QSerialPort* port, ControlLine line, bool on, QString* error) {
    error->clear();
    // Asked of a closed port, the port would report it as its own error.
    if (!port->isOpen()) {
        *error = controlLineError(port, line);
        return false;
    }
    const Quiet quiet(port);
    const bool done =
        line == ControlLine::Dtr ? port->setDataTerminalReady(on) : port->setRequestToSend(on);
    if (!done)
        *error = controlLineError(port, line);
    return done;
}

bool controlLine(QSerialPort* port, ControlLine line, bool* on, QString* error) {
    error->clear();
    if (!port->isOpen()) {
        *error = controlLineError(port, line);
        return false;
    }
    const Quiet quiet(port);
    // Only this read's error counts: an earlier one was told when it came.
    port->clearError();
    const QSerialPort::PinoutSignals pins = port->pinoutSignals();
    if (port->error() != QSerialPort::NoError) {
        *error = controlLineError(port, line);
        return false;
    }
    *on = pins.testFlag(line == ControlLine::Dtr ? QSerialPort::DataTerminalReadySignal
                                                 : QSerialPort::RequestToSendSignal);
    return true;
}

} // namespace at

namespace at {

QList<PulseStep> pulseSteps(const QList<ControlLine>& order, const QList<bool>& levels, int ms) {
    QList<PulseStep> steps;
    for (qsizetype i = 0; i < order.size() && i < levels.size(); ++i)
        steps.append({order[i], !levels[i], 0});
    for (qsizetype i = steps.size() - 1; i >= 0; --i)
        steps.append({order[i], levels[i], ms});
    return steps;
}

} // namespace at
