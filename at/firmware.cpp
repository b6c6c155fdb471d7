#include "at/firmware.h"

#include "crc/crc.h"

namespace at {

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
}

bool FirmwareWriteTransaction::emitEnd(at::Error err) {
    if (err != None) {
        emit client()->firmwareUpdateCompleated(err);
        return true;
    }
    m_reporting = true;
    emit client()->firmwareUpdateProgress(m_written);
    m_reporting = false;
    if (m_cancelRequested) {
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
    emit client()->firmwareUpdateCompleated(err);
    return true;
}

} // namespace at
