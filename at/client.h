#pragma once

#include "at/line.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace at {

// Result of a transaction; the numeric values are shown to the user.
enum Error : int { Timeout = -2, Cancel = -1, None = 0, Fail = 1 };

QString toText(at::Error err);

// How the last firmware update ended: where it stopped and what the module said.
struct FirmwareOutcome {
    at::Error error = None;
    // The final step was asked, so every block was confirmed.
    bool applying = false;
    // The module answered "ERROR" to the request that ended so.
    bool answeredError = false;
    // Bytes confirmed, which is the offset of the block that failed.
    qint64 confirmed = 0;
    qint64 total = 0;
};

class Transaction;

class Client : public QObject {
    Q_OBJECT
public:
    explicit Client(QObject* parent = nullptr);
    ~Client() override;

    void setSerialPort(QSerialPort* port);
    QSerialPort* serialPort() const;
    bool serialPortOpen(bool hold);
    void serialPortClose(bool force);

    // False when the bytes could not be handed to an open port; nothing is then
    // reported as sent.
    bool send(const QByteArray& data);
    bool sendBinary(const QByteArray& data);
    // While a transaction runs the command waits, in order, for its end.
    void userCommand(const QString& text, const QByteArray& binary);
    // What userCommand appends to a line that does not end in a line feed (CR LF by default);
    // transactions and payloads keep their own framing.
    void setLineEnding(LineEnding ending) { m_lineEnding = ending; }
    LineEnding lineEnding() const { return m_lineEnding; }
    // The bytes as they are, no line end added; queued behind a transaction as a command is.
    void userBytes(const QByteArray& bytes);

    bool test();
    bool updateFirmware(const QByteArray& image);
    bool cancelUpdateFirmware();
    // Valid from the firmwareUpdateCompleated of an update until the next one starts.
    const FirmwareOutcome& firmwareOutcome() const { return m_firmwareOutcome; }

    // Feeds bytes to the framing exactly as the port's ready-read path does.
    void receiveBytes(const QByteArray& bytes);
    // Bytes from the device wait to be taken in (the next turn of the event loop reports
    // them): a write now would seem to be answered by them.
    bool inputPending() const;

    // The running transaction, null when none runs.
    Transaction* transaction() const { return m_transaction; }
    // True from a transaction's start to the end of the last one it leads to, also
    // between two firmware blocks when none is current.
    bool busy() const { return m_running > 0; }

signals:
    void opened();
    void closed();
    void sended(const QByteArray& data);
    void sendedBinary(const QByteArray& data);
    void received(const QByteArray& data);
    void receivedBinary(const QByteArray& data);
    void errorOccured(at::Error err);
    void testCompleated(at::Error err);
    void firmwareUpdateProgress(int writed);
    void firmwareUpdateCompleated(at::Error err);
    // A line or payload that was not written because the port is closed (a command held
    // behind a transaction when the port went, a firmware block); an open port reports its
    // own write errors.
    void writeFailed(const QByteArray& data, const QString& error);
    // An open was refused because other programs hold the port's device ("PID 123 (command)").
    void portInUse(const QStringList& holders);
    // An open was refused because the port's path is no terminal; why names the path.
    void portRefused(const QString& why);

private slots:
    void readReady();

private:
    friend class Transaction;
    friend class FirmwareWriteTransaction;
    friend class FirmwareUpdateTransaction;

    QByteArray searchLine();
    void handleLine(const QByteArray& line);
    bool handleReadBynary(const QByteArray& line);

    bool openPort(QSerialPort* port);
    bool write(const QByteArray& data);
    void writeUserCommand(const QByteArray& line, const QByteArray& binary);
    bool takePort();
    void givePortBack();
    void transactionFinished();
    void resetFraming();

    Transaction* m_transaction = nullptr;
    // Guarded: a port installed from outside may be destroyed before the client.
    mutable QPointer<QSerialPort> m_port;
    bool m_closeAfter = false;
    QByteArray m_buffer;
    qint32 m_binaryLength = 0;

    // Framing state: bytes before m_readPos are taken, bytes from m_readPos
    // up to m_scanPos hold no line feed; m_units counts units taken so a
    // blank line can be told apart from "nothing left".
    qsizetype m_readPos = 0;
    qsizetype m_scanPos = 0;
    quint64 m_units = 0;
    mutable bool m_ownsPort = false;
    // Transactions begun and not yet finished.
    int m_running = 0;
    struct Queued {
        QByteArray line;
        QByteArray binary;
    };
    QList<Queued> m_queue;
    FirmwareOutcome m_firmwareOutcome;
    LineEnding m_lineEnding = LineEnding::CrLf;
};

} // namespace at

Q_DECLARE_METATYPE(at::Error)
