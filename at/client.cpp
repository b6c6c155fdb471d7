#include "at/client.h"

#include "at/exchange.h"
#include "at/firmware.h"
#include "at/portholders.h"
#include "at/transaction.h"

#include <QCoreApplication>
#include <QPointer>

#include <limits>

#include <sys/ioctl.h>

namespace at {

namespace {
// Far above any real answer line: a device that never sends a line feed (wrong baud rate,
// CR-only line ends) is shown in pieces of at most this size instead of growing the buffer.
constexpr qsizetype maxLineLength = 64 * 1024;

const char* const error_strs[] = {
    QT_TRANSLATE_NOOP("at", "Timeout"),
    QT_TRANSLATE_NOOP("at", "Cancel"),
    QT_TRANSLATE_NOOP("at", "None"),
    QT_TRANSLATE_NOOP("at", "Fail"),
};
} // namespace

QString toText(at::Error err) {
    const int index = int(err) + 2;
    if (index < 0 || index >= int(std::size(error_strs)))
        return QCoreApplication::translate("at", "Unknown");
    return QCoreApplication::translate("at", error_strs[index]);
}

Client::Client(QObject* parent)
    : QObject(parent) {
    qRegisterMetaType<at::Error>("at::Error");
}

Client::~Client() {
    if (m_port)
        disconnect(m_port, nullptr, this, nullptr);
    // Transactions reach back into the client while they go, so they must
    // go while the client is still whole.
    m_transaction = nullptr;
    const QObjectList kids = children();
    for (QObject* kid : kids) {
        if (dynamic_cast<Transaction*>(kid))
            delete kid;
    }
    if (m_ownsPort)
        delete m_port.data();
}

void Client::setSerialPort(QSerialPort* port) {
    if (port == m_port)
        return;
    if (m_port) {
        disconnect(m_port, &QSerialPort::readyRead, this, &Client::readReady);
        if (m_ownsPort || m_port->parent() == this)
            m_port->deleteLater();
    }
    m_ownsPort = false;
    m_port = port;
    if (m_port) {
        connect(m_port, &QSerialPort::readyRead, this, &Client::readReady);
    }
}

QSerialPort* Client::serialPort() const {
    if (!m_port) {
        // Owned by the client although it has no parent; see the destructor.
        auto* port = new QSerialPort(); // NOLINT: deleted in ~Client
        const_cast<Client*>(this)->setSerialPort(port);
        m_ownsPort = true;
    }
    return m_port;
}

bool Client::serialPortOpen(bool hold) {
    QSerialPort* port = serialPort();
    m_closeAfter = !hold && !port->isOpen();
    // Nothing is cleared on a port that is already open: its output buffer
    // may still hold the user's previous command, and its input the module's
    // answer to it, and both belong in the conversation and the log.
    if (port->isOpen())
        return true;
    resetFraming();
    if (!openPort(port))
        return false;
    emit opened();
    return true;
}

void Client::serialPortClose(bool force) {
    if (!force && !m_closeAfter)
        return;
    QSerialPort* port = serialPort();
    if (!port->isOpen())
        return;
    m_closeAfter = false;
    port->close();
    resetFraming();
    emit closed();
    // No answer can reach a transaction over a closed port (the device may be gone):
    // it ends now with Timeout instead of waiting out its time-out.
    if (m_transaction)
        m_transaction->end(Timeout);
}

bool Client::openPort(QSerialPort* port) {
    // Said first: a file or a device of another kind is held by many for their own ends.
    if (const QString why = notTerminal(port->portName()); !why.isEmpty()) {
        emit portRefused(why);
        return false;
    }
    // A second writer garbles both conversations, and nothing else stops it: the lock file
    // goes by the name (a link passes), exclusive mode does not hold against root.
    const QStringList holders = portHolders(port->portName());
    if (!holders.isEmpty()) {
        emit portInUse(holders);
        return false;
    }
    return port->open(QIODevice::ReadWrite);
}

bool Client::write(const QByteArray& data) {
    QSerialPort* port = serialPort();
    if (!port->isOpen()) {
        emit writeFailed(data, QCoreApplication::translate("at", "The port is not open"));
        return false;
    }
    return port->write(data) == data.size();
}

bool Client::send(const QByteArray& data) {
    if (!write(data))
        return false;
    emit sended(data);
    return true;
}

bool Client::sendBinary(const QByteArray& data) {
    if (!write(data))
        return false;
    emit sendedBinary(data);
    return true;
}

void Client::userCommand(const QString& text, const QByteArray& binary) {
    if (text.isEmpty())
        return;
    QByteArray line = text.toLocal8Bit();
    if (!line.endsWith('\n'))
        line += lineEndingBytes(m_lineEnding);
    // The module's answer to it would be taken for the transaction's.
    if (busy()) {
        m_queue.append({line, binary});
        // Its answer comes after the transaction's end: the port stays open for it.
        m_closeAfter = false;
        return;
    }
    writeUserCommand(line, binary);
}

void Client::userBytes(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (busy()) {
        m_queue.append({bytes, QByteArray()});
        m_closeAfter = false;
        return;
    }
    writeUserCommand(bytes, QByteArray());
}

void Client::writeUserCommand(const QByteArray& line, const QByteArray& binary) {
    if (send(line) && !binary.isEmpty())
        sendBinary(binary);
}

bool Client::takePort() {
    if (busy())
        return false;
    QSerialPort* port = serialPort();
    const bool wasOpen = port->isOpen();
    m_closeAfter = !wasOpen;
    if (wasOpen) {
        // Stale input must not answer the transaction, nor a cut line or block from before
        // swallow its answer; queued output is the user's and still goes out.
        port->clear(QSerialPort::Input);
        resetFraming();
        return true;
    }
    resetFraming();
    if (!openPort(port)) {
        m_closeAfter = false;
        return false;
    }
    emit opened();
    return true;
}

void Client::givePortBack() {
    if (m_transaction || !m_closeAfter || !m_port || !m_port->isOpen())
        return;
    m_closeAfter = false;
    m_port->close();
    resetFraming();
    emit closed();
}

void Client::transactionFinished() {
    if (--m_running > 0)
        return;
    // A command written from a signal handler below may start a transaction again.
    while (!busy() && !m_queue.isEmpty()) {
        const Queued next = m_queue.takeFirst();
        writeUserCommand(next.line, next.binary);
    }
}

void Client::resetFraming() {
    // The rest of a cut block or line never comes over a closed port: show what arrived
    // of it, so a bogus count or a partial line cannot swallow or prefix the next
    // device's answers.
    const QByteArray part = m_buffer.mid(m_readPos);
    const bool block = m_binaryLength > 0;
    m_buffer.clear();
    m_readPos = m_scanPos = 0;
    m_binaryLength = 0;
    if (block)
        emit receivedBinary(part);
    // Lines that came behind a transaction's last answer may be here too.
    for (qsizetype at = 0; !block && at < part.size(); at += maxLineLength)
        emit received(part.mid(at, maxLineLength));
}

bool Client::test() {
    if (!takePort())
        return false;
    (new TestTransaction(this))->begin();
    return true;
}

bool Client::updateFirmware(const QByteArray& image) {
    // Sizes and offsets travel as signed 32-bit counts.
    if (image.size() > std::numeric_limits<qint32>::max())
        return false;
    if (!takePort())
        return false;
    m_firmwareOutcome = FirmwareOutcome{None, false, false, 0, image.size()};
    (new FirmwareWriteTransaction(this, image))->begin();
    return true;
}

bool Client::cancelUpdateFirmware() {
    if (m_transaction) {
        auto* write = dynamic_cast<FirmwareWriteTransaction*>(m_transaction);
        return write && write->cancel();
    }
    // Between two blocks no transaction is current while the confirmed
    // block is reported; a cancel from a progress handler lands here.
    const QObjectList kids = children();
    for (QObject* kid : kids) {
        auto* write = dynamic_cast<FirmwareWriteTransaction*>(kid);
        if (write && write->cancel())
            return true;
    }
    return false;
}

void Client::readReady() {
    QPointer<QSerialPort> port = m_port;
    while (port && port == m_port && port->isOpen()) {
        const QByteArray data = port->readAll();
        if (data.isEmpty())
            break;
        receiveBytes(data);
    }
}

bool Client::inputPending() const {
    if (!m_port || !m_port->isOpen())
        return false;
    // Never read here: the port's own notifier would then find nothing and report a failure.
    int waiting = 0;
    return m_port->bytesAvailable() > 0 ||
           (::ioctl(int(m_port->handle()), FIONREAD, &waiting) == 0 && waiting > 0);
}

void Client::receiveBytes(const QByteArray& bytes) {
    m_buffer.append(bytes);
    // Everything below may re-enter through a nested event loop started by a
    // signal handler, so all positions live in members, never in locals.
    for (;;) {
        const quint64 before = m_units;
        const QByteArray line = searchLine();
        if (m_units == before)
            break;
        handleLine(line);
    }
    if (m_readPos > 0) {
        m_buffer.remove(0, m_readPos);
        m_scanPos = qMax<qsizetype>(0, m_scanPos - m_readPos);
        m_readPos = 0;
    }
}

QByteArray Client::searchLine() {
    if (m_binaryLength > 0) {
        if (m_buffer.size() - m_readPos < m_binaryLength)
            return {};
        const QByteArray block = m_buffer.mid(m_readPos, m_binaryLength);
        m_readPos += m_binaryLength;
        m_binaryLength = 0;
        ++m_units;
        emit receivedBinary(block);
        if (m_binaryLength > 0)
            return {};
    }
    const qsizetype from = qMax(m_readPos, m_scanPos);
    const qsizetype lf = m_buffer.indexOf('\n', from);
    // Nothing up to here ends a line, so no later search looks at it again.
    m_scanPos = lf < 0 ? m_buffer.size() : lf;
    if (m_scanPos - m_readPos >= maxLineLength) {
        const QByteArray part = m_buffer.mid(m_readPos, maxLineLength);
        m_readPos += maxLineLength;
        ++m_units;
        emit received(part);
        return {};
    }
    if (lf < 0)
        return {};
    const qsizetype start = m_readPos;
    qsizetype length = lf - start;
    QByteArray raw = m_buffer.mid(start, length + 1);
    if (length > 0 && raw.at(length - 1) == '\r')
        --length;
    m_readPos = lf + 1;
    ++m_units;
    emit received(raw);
    // In place unless a receiver kept the line: one copy of each line, not two.
    raw.truncate(length);
    return raw;
}

void Client::handleLine(const QByteArray& line) {
    if (line.isEmpty())
        return;
    if (handleReadBynary(line))
        return;
    if (!m_transaction)
        return;
    if (line == "OK") {
        m_transaction->end(None);
        return;
    }
    if (line == "FAIL") {
        m_transaction->end(Fail);
        return;
    }
    if (line == "ERROR") {
        m_transaction->noteError();
        return;
    }
    if (!line.startsWith('+'))
        return;
    const QByteArray& name = m_transaction->command();
    if (name.isEmpty() || line.size() - 1 < name.size())
        return;
    if (QByteArrayView(line).sliced(1, name.size()) != name)
        return;
    m_transaction->handle(line.mid(1 + name.size()));
}

bool Client::handleReadBynary(const QByteArray& line) {
    int length = 0;
    if (!blockHeader(line, &length))
        return false;
    m_binaryLength = length;
    return true;
}

} // namespace at
