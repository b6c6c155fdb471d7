// The receive path of at::Client fed arbitrary chunks while transactions run.
//
// Input: byte 0 picks the scenario (bits below), byte 1 the firmware image size in
// units of 7 bytes; the rest is a sequence of [length byte, that many bytes] chunks,
// each handed to Client::receiveBytes, the entry the port's ready-read drives.

#include "at/client.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

enum Flags : uint8_t {
    StartTest = 0x01,        // the version query
    StartFirmware = 0x02,    // a firmware transfer (wins over the query when both set)
    ClientOpens = 0x04,      // the port is closed: the client opens it and gives it back
    CancelOnProgress = 0x08, // a progress handler cancels, as the window's cancel button may
    TestOnEnd = 0x10,        // an end handler starts the version query at once
    CancelBetweenChunks = 0x20,
    RestartOnReceived = 0x40,  // every received line tries to start a transfer
    CloseBetweenChunks = 0x80, // the user closes the port between two arrivals
};

int g_master = -1;
QString g_slavePath;
// One port for the whole run: opening a terminal takes a lock file synced to disk,
// far slower than the framing under test, so only inputs that ask for it pay that.
QSerialPort* g_port = nullptr;

// What the client wrote goes to the master end; keep it from filling up.
void drainMaster() {
    char buffer[4096];
    while (::read(g_master, buffer, sizeof buffer) > 0) {
    }
}

void pump() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    drainMaster();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    int slave = -1;
    char name[256] = {};
    if (::openpty(&g_master, &slave, name, nullptr, nullptr) != 0)
        std::abort();
    // The slave end stays open in this process, so the master never sees a
    // hang-up while the port is closed between inputs.
    ::fcntl(g_master, F_SETFL, ::fcntl(g_master, F_GETFL) | O_NONBLOCK);
    g_slavePath = QString::fromLocal8Bit(name);
    static QSerialPort port;
    port.setPortName(g_slavePath);
    g_port = &port;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray image(int(data[1]) * 7, '\x5a');
    data += 2;
    size -= 2;

    {
        if (flags & ClientOpens) {
            if (g_port->isOpen())
                g_port->close();
        } else if (!g_port->isOpen() && !g_port->open(QIODevice::ReadWrite)) {
            std::abort();
        }
        at::Client client;
        client.setSerialPort(g_port);

        if (flags & CancelOnProgress) {
            QObject::connect(&client, &at::Client::firmwareUpdateProgress, &client,
                             [&client] { client.cancelUpdateFirmware(); });
        }
        if (flags & TestOnEnd) {
            QObject::connect(&client, &at::Client::firmwareUpdateCompleated, &client,
                             [&client] { client.test(); });
            QObject::connect(&client, &at::Client::testCompleated, &client,
                             [&client](at::Error err) {
                                 if (err != at::None)
                                     client.test();
                             });
        }
        if (flags & RestartOnReceived) {
            QObject::connect(&client, &at::Client::received, &client,
                             [&client, &image] { client.updateFirmware(image); });
        }

        if (flags & StartFirmware) {
            if (!client.updateFirmware(image))
                std::abort();
        } else if (flags & StartTest) {
            if (!client.test())
                std::abort();
        }
        // Only one transaction at a time.
        if (client.transaction() && (client.test() || client.updateFirmware(image)))
            std::abort();

        size_t pos = 0;
        while (pos < size) {
            size_t length = data[pos++];
            if (length > size - pos)
                length = size - pos;
            client.receiveBytes(
                QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(length)));
            pos += length;
            if ((flags & CancelBetweenChunks) && length % 3 == 0)
                client.cancelUpdateFirmware();
            if ((flags & CloseBetweenChunks) && length % 5 == 0)
                client.serialPortClose(true);
            pump();
        }
        pump();
    }
    pump();
    return 0;
}
