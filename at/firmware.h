#pragma once

#include "at/transaction.h"

namespace at {

// The largest image the window and the flasher send. A block of 256 bytes travels as about
// 540 bytes of hex and request and waits for its OK: at 115200 baud some 50 ms, 5 KB/s, so
// 16 MiB take near an hour (the simulator's 64 MiB near four), and about ten minutes at
// 921600. The modules' firmware takes a few MiB; anything beyond is a wrong file.
constexpr qint64 maxFirmwareSize = 16 * 1024 * 1024;

// What went wrong with a firmware update that ended other than with None or Cancel, as one
// sentence: what the module answered (or that it did not) to which request, and the bytes
// confirmed. port names the module's port.
QString firmwareFailure(const FirmwareOutcome& outcome, const QString& port);

// Sends the image block by block, one "FWWRITE" request per block.
class FirmwareWriteTransaction : public Transaction {
public:
    static constexpr int blockSize = 256;

    FirmwareWriteTransaction(Client* client, const QByteArray& image);

    // Stops the transfer before its final step; false once the last block
    // was confirmed. A cancel that arrives while a confirmed block is being
    // reported (a progress handler may run the event loop) takes effect
    // before the next block is sent.
    bool cancel();

protected:
    void fillRequest(Writer& writer) override;
    bool emitEnd(at::Error err) override;

private:
    QByteArray m_remaining;
    qint32 m_written = 0;
    qint32 m_blockLength = 0; // of the block out
    quint32 m_crc;
    bool m_reporting = false;
    bool m_cancelRequested = false;
};

// Asks the module to check and apply the written image.
class FirmwareUpdateTransaction : public Transaction {
public:
    FirmwareUpdateTransaction(Client* client, qint32 size, quint32 crc);

protected:
    void fillRequest(Writer& writer) override;
    bool emitEnd(at::Error err) override;

private:
    qint32 m_size;
    quint32 m_crc;
};

} // namespace at
