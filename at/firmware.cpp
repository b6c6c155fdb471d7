#include "at/firmware.h"

#include "crc/crc.h"

#include <QCoreApplication>

namespace at {

QString firmwareFailure(const FirmwareOutcome& outcome, const QString& port) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("at", text); };
    // What the module said; "ERROR" is no answer the transfer ends on, so it runs out its time.
    const int said = outcome.error == Fail ? 1 : outcome.answeredError ? 2 : 0;
    if (outcome.applying) {
        const char* const texts[] = {
            QT_TRANSLATE_NOOP("at", "the module on '%1' did not answer in time when asked to "
                                    "apply the image (%2 bytes written)"),
            QT_TRANSLATE_NOOP("at", "the module on '%1' answered FAIL when asked to apply the "
                                    "image (%2 bytes written)"),
            QT_TRANSLATE_NOOP("at", "the module on '%1' answered ERROR when asked to apply the "
                                    "image (%2 bytes written)"),
        };
        return tr(texts[said]).arg(port).arg(outcome.total);
    }
    const char* const texts[] = {
        QT_TRANSLATE_NOOP("at", "the module on '%1' did not answer in time to the block at "
                                "offset %2 (%2 of %3 bytes confirmed)"),
        QT_TRANSLATE_NOOP("at", "the module on '%1' answered FAIL to the block at offset %2 (%2 "
                                "of %3 bytes confirmed)"),
        QT_TRANSLATE_NOOP("at", "the module on '%1' answered ERROR to the block at offset %2 (%2 "
                                "of %3 bytes confirmed)"),
    };
    return tr(texts[said]).arg(port).arg(outcome.confirmed).arg(outcome.total);
}

FirmwareWriteTransaction::FirmwareWriteTransaction(Client* client, const QByteArray& image)
    : Transaction(client, "FWWRITE", 5000)
    , m_remaining(image)
    , m_crc(crc::ieee::calc(reinterpret_cast<const unsigned char*>(image.constData()),
                            int(image.size()))) {}

bool FirmwareWriteTransaction::cancel() {
    if (client()->transaction() == this) {
        end(Cancel);
        return true;
    }
    if (m_reporting && !m_remaining.isEmpty()) {
        m_cancelRequested = true;
        return true;
    }
    return false;
}

void FirmwareWriteTransaction::fillRequest(Writer& writer) {
    writer.request() += "=0,";
    writer.request() += QByteArray::number(m_written);
    writer.request() += ',';
    const int count = int(qMin<qsizetype>(blockSize, m_remaining.size()));
    writer.addData(m_remaining.left(count));
    m_remaining.remove(0, count);
    m_written += count;
    m_blockLength = count;
}

bool FirmwareWriteTransaction::emitEnd(at::Error err) {
    FirmwareOutcome& outcome = client()->m_firmwareOutcome;
    if (err != None) {
        outcome.error = err;
        outcome.answeredError = answeredError();
        outcome.confirmed = m_written - m_blockLength;
        emit client()->firmwareUpdateCompleated(err);
        return true;
    }
    outcome.confirmed = m_written;
    m_reporting = true;
    emit client()->firmwareUpdateProgress(m_written);
    m_reporting = false;
    if (m_cancelRequested) {
        outcome.error = Cancel;
        emit client()->errorOccured(Cancel);
        emit client()->firmwareUpdateCompleated(Cancel);
        return true;
    }
    if (!m_remaining.isEmpty()) {
        begin();
        return false;
    }
    (new FirmwareUpdateTransaction(client(), m_written, m_crc))->begin();
    return true;
}

FirmwareUpdateTransaction::FirmwareUpdateTransaction(Client* client, qint32 size, quint32 crc)
    : Transaction(client, "FWUPDATE", 2500)
    , m_size(size)
    , m_crc(crc) {}

void FirmwareUpdateTransaction::fillRequest(Writer& writer) {
    writer.request() += "=0,";
    writer.request() += QByteArray::number(m_size);
    writer.request() += ',';
    writer.request() += QByteArray::number(m_crc);
}

bool FirmwareUpdateTransaction::emitEnd(at::Error err) {
    FirmwareOutcome& outcome = client()->m_firmwareOutcome;
    outcome.error = err;
    outcome.applying = true;
    outcome.answeredError = answeredError();
    emit client()->firmwareUpdateCompleated(err);
    return true;
}

} // namespace at
