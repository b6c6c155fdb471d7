#include "at/binarycommand.h"
#include "input/binarydialog.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"

void MainWidget::enter() {
    m_inputEdit->setFocus();
    // Refused before the line is taken: the command waits there for a port to be chosen.
    if (awaitsPortChoice()) {
        tellPortGone();
        return;
    }
    const QString text = m_inputEdit->input();
    if (!openForUser())
        return;
    if (checkBinary(text, true))
        return;
    m_client->userCommand(text, QByteArray());
}

void MainWidget::input(const QString& text, bool send, int cursorPosition) {
    m_inputEdit->setText(text);
    if (cursorPosition >= 0)
        m_inputEdit->setCursorPosition(cursorPosition);
    if (send)
        enter();
    m_inputEdit->setFocus();
}

bool MainWidget::checkBinary(const QString& command, bool restoreInput) {
    const at::BinaryCommand binary = at::parseBinaryCommand(command);
    if (!binary.recognised())
        return false;

    QByteArray payload;
    if (binary.tooLarge) {
        insertTextToLog(QString(),
                        tr("Not sent: a binary write carries at most %1 bytes\r\n")
                            .arg(at::BinaryCommand::sizeLimit),
                        QColor(Qt::red));
    } else {
        payload = BinaryDialog::get(int(binary.maxSize), this);
    }
    if (payload.isEmpty()) {
        if (restoreInput) {
            m_inputEdit->setText(command);
            m_inputEdit->setFocus();
        }
        return true;
    }
    m_client->userCommand(binary.withPayload(command, payload.size()), payload);
    return true;
}

void MainWidget::onSendCommand(const QString& command) {
    // Without its payload the module would take the next command's bytes for it. Said once
    // per text, not at every tick.
    if (at::parseBinaryCommand(command).recognised()) {
        if (!m_refusedRepetitions.contains(command)) {
            m_refusedRepetitions.insert(command);
            insertTextToLog(QString(),
                            tr("Not sent: %1 needs a payload, which a repetition cannot give; "
                               "send it by hand\r\n")
                                .arg(command),
                            QColor(Qt::red));
        }
        return;
    }
    // A tick that falls inside a transaction is skipped, not kept for its end.
    if (m_client->busy())
        return;
    // Nor during steps: its answer would be taken for the running step's.
    if (stepsRunning())
        return;
    if (awaitsPortChoice())
        return;
    if (!m_client->serialPortOpen(true))
        return;
    m_client->userCommand(command, QByteArray());
}

bool MainWidget::awaitsPortChoice() const {
    // After its device vanished the chooser falls back to another port by itself; only
    // the user's pick, or Open, may take the sends to a device other than the lost one.
    const QSerialPort* port = m_client->serialPort();
    return !m_lostPort.isEmpty() && !port->isOpen() && port->portName() != m_lostPort;
}

void MainWidget::tellPortGone() {
    insertTextToLog(QString(),
                    tr("Not sent: the device %1 is gone, choose a port\r\n").arg(m_lostPort),
                    QColor(Qt::red));
}

bool MainWidget::openForUser() {
    if (!m_client->serialPort()->isOpen()) {
        if (awaitsPortChoice()) {
            tellPortGone();
            return false;
        }
        // Each attempt of the user's answers with its own entry, even when the last one
        // failed alike.
        m_lastPortError.clear();
    }
    return m_client->serialPortOpen(true);
}
