#include "mainwidget/mainwidget.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <limits>

void MainWidget::onWriteFirmware() {
    // Refused as a send is: the image would go to the chooser's fallback, not the lost device.
    if (awaitsPortChoice()) {
        tellPortGone();
        return;
    }
    const QString filename = QFileDialog::getOpenFileName(
        this, tr("Open binary file"), QString(), tr("Binary file (*.bin);;All files (*.*)"));
    if (filename.isEmpty())
        return;

    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, tr("Error"),
                             QStringLiteral("%1:\n\n%2").arg(tr("Failed to open file"), filename),
                             QMessageBox::Ok);
        return;
    }
    // The transfer counts sizes and offsets in signed 32 bits; a larger image could
    // only be sent with wrapped offsets, so it is refused before it is read.
    if (file.size() > std::numeric_limits<int>::max()) {
        QMessageBox::critical(this, tr("Error"),
                              QStringLiteral("%1:\n\n%2").arg(tr("File is too large"), filename),
                              QMessageBox::Ok);
        return;
    }
    const QByteArray image = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed) {
        QMessageBox::warning(this, tr("Error"),
                             QStringLiteral("%1:\n\n%2").arg(tr("Failed to read file"), filename),
                             QMessageBox::Ok);
        return;
    }
    // Nothing to flash: the module would be told to boot an image of no bytes.
    if (image.isEmpty()) {
        QMessageBox::warning(this, tr("Error"),
                             QStringLiteral("%1:\n\n%2").arg(tr("File is empty"), filename),
                             QMessageBox::Ok);
        return;
    }

    // The device may have vanished while the file was being chosen.
    if (awaitsPortChoice()) {
        tellPortGone();
        return;
    }
    if (!m_client->serialPort()->isOpen())
        m_lastPortError.clear();
    if (!m_client->updateFirmware(image)) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to write firmware"), QMessageBox::Ok);
        return;
    }
    connect(m_client, &at::Client::firmwareUpdateProgress, this,
            &MainWidget::onAtClientFirmwareUpdateProgress);
    connect(m_client, &at::Client::firmwareUpdateCompleated, this,
            &MainWidget::onAtClientFirmwareUpdateCompleated);

    progressDialogFree();
    m_progressDialog = new QProgressDialog(tr("Written"), tr("Cancel"), 0, int(image.size()), this);
    m_progressDialog->setObjectName(QStringLiteral("firmware-progress"));
    m_progressDialog->setModal(true);
    // Return must not cancel an update by the way: only Cancel, Escape or closing does.
    if (auto* cancel = m_progressDialog->findChild<QPushButton*>()) {
        cancel->setAutoDefault(false);
        cancel->setDefault(false);
    }
    m_progressDialog->show();
    connect(m_progressDialog, &QProgressDialog::canceled, this,
            &MainWidget::onFirmwareUpdateCancel);
}

void MainWidget::onAtClientFirmwareUpdateProgress(int writed) {
    // setValue on a modal dialog runs pending events, "Cancel" included, while no block
    // transaction is current; the client keeps such a cancel for the next block.
    if (m_progressDialog)
        m_progressDialog->setValue(writed);
}

void MainWidget::onAtClientFirmwareUpdateCompleated(at::Error err) {
    progressDialogFree();
    disconnect(m_client, &at::Client::firmwareUpdateProgress, this,
               &MainWidget::onAtClientFirmwareUpdateProgress);
    disconnect(m_client, &at::Client::firmwareUpdateCompleated, this,
               &MainWidget::onAtClientFirmwareUpdateCompleated);
    // Shown once the transaction is over: its modal loop must not hold the port open nor the
    // commands waiting behind the update.
    if (err != at::None && err != at::Cancel)
        QMetaObject::invokeMethod(
            this,
            [this, err] {
                QMessageBox::critical(this, tr("Error"), at::toText(err), QMessageBox::Ok);
            },
            Qt::QueuedConnection);
}

void MainWidget::onFirmwareUpdateCancel() {
    m_client->cancelUpdateFirmware();
}

void MainWidget::progressDialogFree() {
    if (!m_progressDialog)
        return;
    m_progressDialog->deleteLater();
    m_progressDialog = nullptr;
}
