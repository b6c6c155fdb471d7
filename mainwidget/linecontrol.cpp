#include "mainwidget/linecontrol.h"

#include "at/client.h"

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QTimer>

namespace {

const QColor noteColor = QColor(Qt::darkGray);
const QColor errorColor = QColor(Qt::red);

QString group() {
    return QStringLiteral("line");
}

} // namespace

LineControl::LineControl(QWidget* window, at::Client* client)
    : QObject(window)
    , m_window(window)
    , m_client(client) {
    QSettings settings;
    settings.beginGroup(group());
    const auto text = [&](const char* key) {
        return settings.value(QLatin1String(key)).toString();
    };
    // A value that is not ours (a hand edit) leaves the default.
    at::parseDataBits(text("data-bits"), &m_line.dataBits);
    at::parseParity(text("parity"), &m_line.parity);
    at::parseStopBits(text("stop-bits"), &m_line.stopBits);
    at::parseFlowControl(text("flow-control"), &m_line.flowControl);
    at::LineEnding ending = at::LineEnding::CrLf;
    at::parseLineEnding(text("line-ending"), &ending);
    m_pulseLines = PulseDialog::Lines(
        qBound(0, settings.value(QStringLiteral("pulse")).toInt(), int(PulseDialog::RtsThenDtr)));
    m_pulseMs = qBound(1, settings.value(QStringLiteral("pulse-ms"), 100).toInt(), 60000);
    settings.endGroup();
    m_client->setLineEnding(ending);
    QString refused;
    at::applyLine(m_client->serialPort(), m_line, &refused);

    m_dialogAction = new QAction(tr("Line settings..."), this);
    m_dialogAction->setObjectName(QStringLiteral("line-settings"));
    connect(m_dialogAction, &QAction::triggered, this, &LineControl::openDialog);
    // Kept with the panels' switches, which the window saves by their names.
    settings.beginGroup(QStringLiteral("view"));
    const auto makeSwitch = [&](const QString& name, at::ControlLine line) {
        auto* action = new QAction(name, this);
        action->setObjectName(name.toLower());
        action->setCheckable(true);
        action->setChecked(settings.value(name.toLower(), true).toBool());
        connect(action, &QAction::toggled, this, [this, line](bool on) { switchLine(line, on); });
        return action;
    };
    m_dtr = makeSwitch(QStringLiteral("DTR"), at::ControlLine::Dtr);
    m_rts = makeSwitch(QStringLiteral("RTS"), at::ControlLine::Rts);
    settings.endGroup();
    m_pulseAction = new QAction(tr("Pulse..."), this);
    m_pulseAction->setObjectName(QStringLiteral("pulse"));
    connect(m_pulseAction, &QAction::triggered, this, &LineControl::openPulse);

    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("line-shape"));
    m_pulseTimer = new QTimer(this);
    m_pulseTimer->setSingleShot(true);
    m_pulseTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pulseTimer, &QTimer::timeout, this, [this] { pulseStep(); });
    connect(m_client, &at::Client::opened, this, &LineControl::onOpened);
    connect(m_client, &at::Client::closed, this, &LineControl::onClosed);
    update();
}

QList<QAction*> LineControl::actions() const {
    return {m_dialogAction, nullptr, m_dtr, m_rts, m_pulseAction};
}

void LineControl::save() const {
    QSettings settings;
    settings.beginGroup(group());
    settings.setValue(QStringLiteral("data-bits"), at::dataBitsName(m_line.dataBits));
    settings.setValue(QStringLiteral("parity"), at::parityName(m_line.parity));
    settings.setValue(QStringLiteral("stop-bits"), at::stopBitsName(m_line.stopBits));
    settings.setValue(QStringLiteral("flow-control"), at::flowControlName(m_line.flowControl));
    settings.setValue(QStringLiteral("line-ending"), at::lineEndingName(m_client->lineEnding()));
    settings.setValue(QStringLiteral("pulse"), int(m_pulseLines));
    settings.setValue(QStringLiteral("pulse-ms"), m_pulseMs);
}

void LineControl::openDialog() {
    if (!m_dialog) {
        m_dialog = new LineDialog(m_window);
        connect(m_dialog, &LineDialog::changed, this, &LineControl::onDialogChanged);
    }
    m_dialog->setValues(m_line, m_client->lineEnding());
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void LineControl::onDialogChanged() {
    m_client->setLineEnding(m_dialog->lineEnding());
    const at::LineSettings wanted = m_dialog->line();
    if (wanted == m_line)
        return;
    QSerialPort* port = m_client->serialPort();
    QString refused;
    if (m_client->busy() && port->isOpen()) {
        // A firmware block half in the old shape and half in the new reaches nobody.
        emit entry(tr("Line settings not changed while the firmware update runs\r\n"), errorColor);
    } else if (at::applyLine(port, wanted, &refused)) {
        const bool rtsFreed = m_line.flowControl == QSerialPort::HardwareControl &&
                              wanted.flowControl != QSerialPort::HardwareControl;
        m_line = wanted;
        // The flow control gave RTS back: it goes where its switch says.
        if (rtsFreed && port->isOpen() && !m_rts->isChecked())
            switchLine(at::ControlLine::Rts, false);
    } else if (!refused.isEmpty()) {
        emit entry(tr("%1 does not take %2: the line stays %3\r\n")
                       .arg(port->portName(), refused, m_line.shape()),
                   errorColor);
    }
    m_dialog->setValues(m_line, m_client->lineEnding());
    update();
}

void LineControl::onOpened() {
    QSerialPort* port = m_client->serialPort();
    if (!m_line.isDefault()) {
        const QString refused = at::checkLine(port);
        if (!refused.isEmpty()) {
            m_line = at::LineSettings::of(port);
            emit entry(tr("%1 does not take %2: the line stays %3\r\n")
                           .arg(port->portName(), refused, m_line.shape()),
                       errorColor);
            if (m_dialog)
                m_dialog->setValues(m_line, m_client->lineEnding());
            update();
        }
    }
    // The open raises both lines; only those switched off need the port.
    if (!m_dtr->isChecked())
        switchLine(at::ControlLine::Dtr, false);
    if (!m_rts->isChecked() && m_line.flowControl != QSerialPort::HardwareControl)
        switchLine(at::ControlLine::Rts, false);
}

void LineControl::onClosed() {
    // The lines went with the port; a pulse cut short has nothing left to restore.
    m_pulseTimer->stop();
    m_steps.clear();
    update();
}

void LineControl::switchLine(at::ControlLine line, bool on) {
    QSerialPort* port = m_client->serialPort();
    if (!port->isOpen())
        return;
    QString error;
    tellControlLine(at::setControlLine(port, line, on, &error), line, error);
}

bool LineControl::tellControlLine(bool done, at::ControlLine line, const QString& error) {
    if (done)
        return true;
    QSerialPort* port = m_client->serialPort();
    if (at::noControlLines(port)) {
        // Once for the device, not at every switch or pulse.
        if (port->portName() != m_noLinesTold) {
            m_noLinesTold = port->portName();
            emit entry(
                tr("%1 has no control lines: DTR and RTS cannot be set\r\n").arg(port->portName()),
                errorColor);
        }
        return false;
    }
    if (!error.isEmpty())
        emit entry(tr("%1 not set: %2\r\n").arg(at::controlLineName(line), error), errorColor);
    return false;
}

void LineControl::openPulse() {
    auto* dialog = new PulseDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setValues(m_pulseLines, m_pulseMs);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_pulseLines = dialog->lines();
        m_pulseMs = dialog->ms();
        startPulse(m_pulseLines, m_pulseMs);
    });
    dialog->open();
}

void LineControl::startPulse(PulseDialog::Lines lines, int ms) {
    QSerialPort* port = m_client->serialPort();
    if (!port->isOpen()) {
        emit entry(tr("Not pulsed: the port is not open\r\n"), errorColor);
        return;
    }
    if (m_pulseTimer->isActive()) {
        emit entry(tr("Not pulsed: a pulse is running\r\n"), errorColor);
        return;
    }
    const at::ControlLine first = lines == PulseDialog::Rts || lines == PulseDialog::RtsThenDtr
                                      ? at::ControlLine::Rts
                                      : at::ControlLine::Dtr;
    const at::ControlLine second =
        first == at::ControlLine::Dtr ? at::ControlLine::Rts : at::ControlLine::Dtr;
    const bool both = lines == PulseDialog::DtrThenRts || lines == PulseDialog::RtsThenDtr;
    QList<at::ControlLine> order{first};
    if (both)
        order << second;
    QList<bool> levels;
    for (at::ControlLine line : order) {
        bool on = false;
        QString error;
        if (!tellControlLine(at::controlLine(port, line, &on, &error), line, error))
            return;
        levels << on;
    }
    m_steps = at::pulseSteps(order, levels, ms);
    if (!pulseStep())
        return;
    const QString names =
        both ? tr("%1, then %2").arg(at::controlLineName(first), at::controlLineName(second))
             : at::controlLineName(first);
    emit entry(tr("Pulse: %1 inverted for %2 ms\r\n").arg(names).arg(ms), noteColor);
}

bool LineControl::pulseStep() {
    QSerialPort* port = m_client->serialPort();
    bool done = true;
    while (done && !m_steps.isEmpty() && m_steps.first().delayMs == 0) {
        const at::PulseStep step = m_steps.takeFirst();
        QString error;
        done =
            tellControlLine(at::setControlLine(port, step.line, step.on, &error), step.line, error);
    }
    if (!done)
        m_steps.clear();
    if (!m_steps.isEmpty())
        m_pulseTimer->start(std::exchange(m_steps.first().delayMs, 0));
    update();
    return done;
}

void LineControl::update() {
    // The toolbar tells the line only where it is not what everybody expects.
    const bool plain = m_line.isDefault();
    m_label->setText(plain ? QString() : m_line.shape());
    m_label->setVisible(!plain);
    // Under RTS/CTS the flow control drives RTS.
    m_rts->setEnabled(m_line.flowControl != QSerialPort::HardwareControl);
    m_pulseAction->setEnabled(!m_pulseTimer->isActive());
}
