#include "at/binarycommand.h"
#include "input/binarydialog.h"
#include "input/inputedit.h"
#include "mainwidget/baudfinder.h"
#include "mainwidget/filesender.h"
#include "mainwidget/linesender.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/portwatch.h"

void MainWidget::enter() {
    if (m_lineSender->escaping()) {
        m_lineSender->enter(true);
        return;
    }
    m_inputEdit->setFocus();
    // Refused before the line is taken: the command waits there for its device.
    if (refuseGonePort(Opener::User))
        return;
    const QString text = m_inputEdit->input();
    if (!openChosenPort(Opener::User))
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
    // Nor may one cut into a file or a search running on the line, nor into steps: its answer
    // would be taken for the running step's.
    if (m_fileSender->isSending() || m_baudFinder->isRunning() || stepsRunning())
        return;
    if (!openChosenPort(Opener::Repetition))
        return;
    m_client->userCommand(command, QByteArray());
}

bool MainWidget::refuseGonePort(Opener opener) {
    if (m_client->serialPort()->isOpen() || !m_portWatch->gone())
        return false;
    const QString port = m_client->serialPort()->portName();
    const bool awaited = m_portWatch->awaited();
    QString text;
    if (opener == Opener::Button)
        text = awaited ? tr("Not opened: the device %1 is gone; it is opened again when it "
                            "comes back\r\n")
                       : tr("Not opened: the device %1 is gone, choose a port\r\n");
    else
        text = awaited ? tr("Not sent: the device %1 is gone; it is opened again when it "
                            "comes back\r\n")
                       : tr("Not sent: the device %1 is gone, choose a port\r\n");
    // A repetition says it once, not at every tick.
    if (opener != Opener::Repetition || !std::exchange(m_goneRepetitionTold, true))
        insertTextToLog(QString(), text.arg(port), QColor(Qt::red));
    return true;
}

bool MainWidget::openChosenPort(Opener opener) {
    if (refuseGonePort(opener))
        return false;
    const bool wasOpen = m_client->serialPort()->isOpen();
    // Each attempt of the user's answers with its own entry, even when the last one failed
    // alike; a repetition's do not.
    if (!wasOpen && opener != Opener::Repetition)
        m_lastPortError.clear();
    if (!m_client->serialPortOpen(true))
        return false;
    // What the user types next is meant for the port just opened.
    if (!wasOpen && opener != Opener::Repetition)
        m_inputEdit->setFocus();
    return true;
}
