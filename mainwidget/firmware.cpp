#include "at/firmware.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/portwatch.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {

// The toolkit's own dialog lists under "*.*" only names with a dot; firmware files often have
// none. It filters by "*" and keeps showing the familiar label.
QString chooseImage(QWidget* parent) {
    const QString all = MainWidget::tr("All files (*.*)");
    QFileDialog dialog(parent, MainWidget::tr("Open binary file"), QString(),
                       MainWidget::tr("Binary file (*.bin)") + QStringLiteral(";;") +
                           all.left(all.lastIndexOf(QLatin1Char('('))) + QStringLiteral("(*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        types->setItemText(types->count() - 1, all);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

void MainWidget::onWriteFirmware() {
    // Refused before the file is chosen: the device to write to is gone.
    if (refuseGonePort(Opener::User))
        return;
    const QString filename = chooseImage(this);
    if (filename.isEmpty())
        return;

    const auto refuse = [this, &filename](const QString& why) {
        QMessageBox::warning(this, tr("Error"), QStringLiteral("%1:\n\n%2").arg(why, filename),
                             QMessageBox::Ok);
    };
    // A pipe or a device would block the window or be read until memory runs out.
    const QFileInfo info(filename);
    if (info.exists() && !info.isFile()) {
        refuse(tr("Not a regular file"));
        return;
    }
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(tr("Failed to open file"));
        return;
    }
    const QString tooLarge = tr("File is too large (more than %1 bytes)").arg(at::maxFirmwareSize);
    if (file.size() > at::maxFirmwareSize) {
        refuse(tooLarge);
        return;
    }
    // One byte more tells a file that grew since the check.
    const QByteArray image = file.read(at::maxFirmwareSize + 1);
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed) {
        refuse(tr("Failed to read file"));
        return;
    }
    if (image.size() > at::maxFirmwareSize) {
        refuse(tooLarge);
        return;
    }
    // Nothing to flash: the module would be told to boot an image of no bytes.
    if (image.isEmpty()) {
        refuse(tr("File is empty"));
        return;
    }

    // The device may have vanished while the file was being chosen.
    if (refuseGonePort(Opener::User))
        return;
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
    const at::FirmwareOutcome& outcome = m_client->firmwareOutcome();
    if (err == at::None)
        insertTextToLog(
            QString(),
            tr("Firmware update complete: %1 bytes written and accepted\r\n").arg(outcome.total),
            QColor(Qt::darkGray));
    if (err == at::None || err == at::Cancel)
        return;
    // Where it stopped and what the module said, below the result's own name.
    const QString text = at::toText(err) + QStringLiteral("\n\n") +
                         at::firmwareFailure(outcome, m_client->serialPort()->portName());
    // Shown once the transaction is over: its modal loop must not hold the port open nor the
    // commands waiting behind the update.
    QMetaObject::invokeMethod(
        this, [this, text] { QMessageBox::critical(this, tr("Error"), text, QMessageBox::Ok); },
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
