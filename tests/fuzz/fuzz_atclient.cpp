// The client's receive path fed arbitrary reads, as a device nobody controls sends them (see
// README.md): every byte is shown once and in order, no line piece above 64 KiB, and every
// transaction ends exactly once.

#include "at/client.h"
#include "common/ptypeer.h"

#include <utility>

static QString slavePath;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static test::PtyPeer peer; // its ends stay open: the client opens and closes at will
    slavePath = peer.slavePath();
    return 0; // without a terminal every input that opens the port aborts
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t mode = size ? data[0] : 0;
    QByteArray fed, read;
    qsizetype shown = 0;
    int ends = 0;
    const auto show = [&](const QByteArray& bytes) {
        if (!QByteArrayView(fed).sliced(shown).startsWith(bytes))
            abort();
        shown += bytes.size();
    };
    at::Client client;
    client.serialPort()->setPortName(slavePath);
    QObject::connect(&client, &at::Client::received, &client, [&](const QByteArray& line) {
        if (line.isEmpty() || line.size() > 64 * 1024)
            abort();
        show(line);
    });
    QObject::connect(&client, &at::Client::receivedBinary, &client, show);
    QObject::connect(&client, &at::Client::testCompleated, &client, [&] { ++ends; });
    QObject::connect(&client, &at::Client::firmwareUpdateCompleated, &client, [&] { ++ends; });
    if ((mode & 1) && !client.serialPortOpen(true))
        abort();
    const int kind = mode >> 1 & 3;
    if (kind && !(kind == 1 ? client.test() : client.updateFirmware(QByteArray(kind * 200, 'Z'))))
        abort();
    if (mode & 8)
        client.userCommand(QStringLiteral("AT"), {});
    const auto deliver = [&] {
        fed += read;
        client.receiveBytes(std::exchange(read, {}));
        if (mode & 16)
            client.cancelUpdateFirmware();
    };
    for (size_t pos = 1; pos < size && fed.size() + read.size() < 192 * 1024;) {
        const size_t length = data[pos++];
        if (length == 0xff && pos + 2 <= size) {
            read += QByteArray((data[pos + 1] % 8 + 1) * 12 * 1024, char(data[pos]));
            pos += 2;
            continue;
        }
        deliver();
        read = QByteArray(reinterpret_cast<const char*>(data + pos),
                          qsizetype(std::min(length, size - pos)));
        pos += size_t(read.size());
    }
    deliver();
    // The device goes. A closed port stays closed: a failed open starts the framing afresh too.
    if (!client.serialPort()->isOpen())
        client.serialPort()->setPortName(QString());
    client.serialPortOpen(true);
    client.serialPortClose(true);
    if (shown != fed.size() || ends != (kind ? 1 : 0) || client.busy() || client.transaction())
        abort();
    return 0;
}
