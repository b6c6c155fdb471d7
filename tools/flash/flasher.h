#pragma once

#include "at/client.h"
#include "tools/common/display.h"
#include "tools/common/exitcode.h"
#include "tools/flash/options.h"

#include <QByteArray>
#include <QObject>

namespace flash {

// Runs one firmware update through at::Client and reports it on the
// console; finished() carries the exit status.
class Flasher : public QObject {
    Q_OBJECT
public:
    Flasher(const Options& options, const QByteArray& image, tools::Display* display,
            QObject* parent = nullptr);

    // Opens the port and sends the first block. Anything but Success means
    // nothing was started and the reason has been printed.
    tools::ExitCode start();

    // Ctrl-C: stops the blocks; the final step cannot be stopped.
    void interrupt();

signals:
    void finished(int exitCode);

private:
    void onProgress(int written);
    void onCompleted(at::Error err);
    void onPortError(QSerialPort::SerialPortError error);

    Options m_options;
    QByteArray m_image;
    tools::Display* m_display;
    at::Client* m_client;
    QSerialPort* m_port;
    qint64 m_confirmed = 0;
    bool m_cancelRequested = false;
    bool m_waitingNoted = false;
    bool m_running = false;
    bool m_done = false;
    QString m_portFailure;
};

} // namespace flash
