#include "input/binarycommand.h"
#include "input/binarydialog.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"

void MainWidget::enter() {
    const QString text = m_inputEdit->input();
    m_inputEdit->setFocus();
    if (!m_client->serialPortOpen(true))
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
    const BinaryCommand binary = parseBinaryCommand(command);
    if (!binary.valid)
        return false;

    const QByteArray payload = BinaryDialog::get(int(binary.maxSize), this);
    if (payload.isEmpty()) {
        if (restoreInput) {
            m_inputEdit->setText(command);
            m_inputEdit->setFocus();
        }
        return true;
    }
    QString text = command;
    if (binary.sizeEmpty)
        text += QString::number(payload.size());
    m_client->userCommand(text, payload);
    return true;
}

void MainWidget::onSendCommand(const QString& command) {
    // A tick that falls inside a transaction is skipped, not kept for its end.
    if (m_client->busy())
        return;
    // After its device vanished the chooser falls back to another port by itself; a
    // repetition must not open a device the user never picked.
    const QSerialPort* port = m_client->serialPort();
    if (!m_lostPort.isEmpty() && !port->isOpen() && port->portName() != m_lostPort)
        return;
    if (!m_client->serialPortOpen(true))
        return;
    m_client->userCommand(command, QByteArray());
}
