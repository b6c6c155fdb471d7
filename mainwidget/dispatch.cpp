#include "input/binarydialog.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"

#include <QStringList>

#include <limits>

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
    static const QString at_writeb_key = QStringLiteral("AT+WRITEB");
    if (!command.startsWith(at_writeb_key, Qt::CaseSensitive))
        return false;
    const QStringList parts = command.split(QLatin1Char('='), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return false;
    const QStringList fields = parts.at(1).split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (fields.size() < 2)
        return false;

    const QString sizeText = fields.at(1);
    int maxSize = 0;
    if (!sizeText.isEmpty()) {
        bool ok = false;
        const uint size = sizeText.toUInt(&ok, 10);
        if (!ok)
            return false;
        // The payload editor counts in int; a size beyond that is no form it can fill.
        if (size > uint(std::numeric_limits<int>::max()))
            return false;
        maxSize = int(size);
    }

    const QByteArray payload = BinaryDialog::get(maxSize, this);
    if (payload.isEmpty()) {
        if (restoreInput) {
            m_inputEdit->setText(command);
            m_inputEdit->setFocus();
        }
        return true;
    }
    QString text = command;
    if (sizeText.isEmpty())
        text += QString::number(payload.size());
    m_client->userCommand(text, payload);
    return true;
}

void MainWidget::onSendCommand(const QString& command) {
    if (!m_client->serialPortOpen(true))
        return;
    m_client->userCommand(command, QByteArray());
}
