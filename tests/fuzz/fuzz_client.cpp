// The receive path of at::Client fed arbitrary chunks while transactions run. Byte 0 picks
// the scenario (flags below), byte 1 the firmware image size in units of 7 bytes; the rest is
// [length byte, that many bytes] chunks handed to Client::receiveBytes.

#include "at/client.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

enum Flags : uint8_t {
    StartTest = 0x01,
    StartFirmware = 0x02, // wins over the query when both are set
    ClientOpens = 0x04,   // the port is closed: the client opens it and gives it back
    CancelOnProgress = 0x08,
    TestOnEnd = 0x10, // an end handler starts the version query at once
    CancelBetweenChunks = 0x20,
    RestartOnReceived = 0x40, // every received line tries to start a transfer
    CloseBetweenChunks = 0x80,
};

int g_master = -1;
// One port for the whole run: opening a terminal is far slower than the framing under test.
QSerialPort* g_port = nullptr;

void pump() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    char buffer[4096];
    while (::read(g_master, buffer, sizeof buffer) > 0) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    int slave = -1; // stays open, so the master never sees a hang-up between inputs
    char name[256] = {};
    if (::openpty(&g_master, &slave, name, nullptr, nullptr) != 0)
        std::abort();
    ::fcntl(g_master, F_SETFL, ::fcntl(g_master, F_GETFL) | O_NONBLOCK);
    static QSerialPort port(QString::fromLocal8Bit(name));
    g_port = &port;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray image(int(data[1]) * 7, '\x5a');
    if (flags & ClientOpens)
        g_port->close();
    else if (!g_port->isOpen() && !g_port->open(QIODevice::ReadWrite))
        std::abort();
    {
        at::Client client;
        client.setSerialPort(g_port);
        using C = at::Client;
        if (flags & CancelOnProgress)
            QObject::connect(&client, &C::firmwareUpdateProgress, &client,
                             [&client] { client.cancelUpdateFirmware(); });
        if (flags & TestOnEnd) {
            QObject::connect(&client, &C::firmwareUpdateCompleated, &client,
                             [&client] { client.test(); });
            QObject::connect(&client, &C::testCompleated, &client, [&client](at::Error err) {
                if (err != at::None)
                    client.test();
            });
        }
        if (flags & RestartOnReceived)
            QObject::connect(&client, &C::received, &client,
                             [&client, &image] { client.updateFirmware(image); });
        if ((flags & StartFirmware) ? !client.updateFirmware(image)
                                    : (flags & StartTest) && !client.test())
            std::abort();
        // Only one transaction at a time.
        if (client.transaction() && (client.test() || client.updateFirmware(image)))
            std::abort();
        for (size_t pos = 2; pos < size;) {
            const size_t length = std::min<size_t>(data[pos++], size - pos);
            client.receiveBytes(QByteArray(reinterpret_cast<const char*>(data + pos), int(length)));
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
