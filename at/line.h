#pragma once

#include <QByteArray>
#include <QList>
#include <QSerialPort>
#include <QString>

namespace at {

// The shape of the serial line beyond its rate. The default is what the port opens with.
struct LineSettings {
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;

    bool operator==(const LineSettings& other) const;
    bool operator!=(const LineSettings& other) const { return !(*this == other); }
    bool isDefault() const { return *this == LineSettings(); }
    // "8N1", "8E1 RTS/CTS", "7O1.5 XON/XOFF".
    QString shape() const;
    // The settings the port was given (a closed port keeps them for its next open).
    static LineSettings of(const QSerialPort* port);
};

// The forms of the command line and the settings file: 5 to 8; none, even, odd, mark, space;
// 1, 1.5, 2; none, rtscts, xonxoff. Parsing takes any case.
QString dataBitsName(QSerialPort::DataBits bits);
QString parityName(QSerialPort::Parity parity);
QString stopBitsName(QSerialPort::StopBits bits);
QString flowControlName(QSerialPort::FlowControl flow);
bool parseDataBits(const QString& text, QSerialPort::DataBits* bits);
bool parseParity(const QString& text, QSerialPort::Parity* parity);
bool parseStopBits(const QString& text, QSerialPort::StopBits* bits);
bool parseFlowControl(const QString& text, QSerialPort::FlowControl* flow);
// "8E1 RTS/CTS" as shape() writes it, also in lower case.
bool parseShape(const QString& text, LineSettings* line);

// What ends a command line: crlf, cr, lf, none.
enum class LineEnding { CrLf, Cr, Lf, None };
QString lineEndingName(LineEnding ending);
bool parseLineEnding(const QString& text, LineEnding* ending);
QByteArray lineEndingBytes(LineEnding ending);

// Gives the port the settings. A closed port takes them for its next open. On an open port
// what the device does not take is named in *refused ("7 data bits, even parity"), the port
// is set back to what it had and false returned; false with nothing named when the device
// failed, which the port reports as its own error.
bool applyLine(QSerialPort* port, const LineSettings& line, QString* refused);
// Right after an open: what of the settings the port was given the device did not take;
// the port's settings then follow the device. Empty when it took them all.
QString checkLine(QSerialPort* port);

// The settings, named as in refusals, where wanted and had differ; empty when none do.
QString lineDifferences(const LineSettings& wanted, const LineSettings& had);
// The shape a terminal device really has; false where it cannot be read.
bool terminalLine(qintptr handle, LineSettings* line);

enum class ControlLine { Dtr, Rts };
QString controlLineName(ControlLine line);
// Sets or reads a control line of an open port. False with the reason in *error: among
// others a device that has no control lines (a pseudo-terminal), told by noControlLines(); an
// empty reason when the device failed, which the port reports as its own error.
bool setControlLine(QSerialPort* port, ControlLine line, bool on, QString* error);
bool controlLine(QSerialPort* port, ControlLine line, bool* on, QString* error);
bool noControlLines(QSerialPort* port);

// One step of a pulse: a line, the level it goes to, and the time since the step before.
struct PulseStep {
    ControlLine line;
    bool on;
    int delayMs;
    bool operator==(const PulseStep& o) const {
        return line == o.line && on == o.on && delayMs == o.delayMs;
    }
};
// Inverts the lines (levels: theirs now) at once, in order; after ms the last goes back, and
// each one before it ms later (a boot pin held across a reset).
QList<PulseStep> pulseSteps(const QList<ControlLine>& order, const QList<bool>& levels, int ms);

} // namespace at
