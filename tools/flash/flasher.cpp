#include "tools/flash/flasher.h"

#include "at/firmware.h"

#include "tools/common/console.h"
#include "tools/common/port.h"

#include <QCoreApplication>

#include <cstdio>

namespace flash {

using namespace tools;

namespace {

QString prefixed(const QString& text) {
    return QCoreApplication::applicationName() + QStringLiteral(": ") + text;
}

} // namespace

Flasher::Flasher(const Options& options, const QByteArray& image, Display* display, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_image(image)
    , m_display(display)
    , m_client(new at::Client(this))
    , m_port(new QSerialPort(m_client)) {
    m_client->setSerialPort(m_port);
    connect(m_client, &at::Client::firmwareUpdateProgress, this, &Flasher::onProgress);
    connect(m_client, &at::Client::firmwareUpdateCompleated, this, &Flasher::onCompleted);
    connect(m_port, &QSerialPort::errorOccurred, this, &Flasher::onPortError);
}

ExitCode Flasher::start() {
    QString message;
    const ExitCode opened =
        openPort(*m_client, m_options.port, m_options.baud, &message, m_options.line);
    if (opened != Success) {
        m_display->message(stderr, prefixed(message));
        return opened;
    }
    m_portFailure.clear();

    m_display->message(stdout, tr("Writing %1 bytes to %2 at %3 baud")
                                   .arg(m_image.size())
                                   .arg(m_options.port)
                                   .arg(m_options.baud));
    m_display->start(m_image.size());
    m_running = true;
    if (!m_client->updateFirmware(m_image)) {
        m_running = false;
        m_display->message(stderr,
                           prefixed(tr("cannot start the transfer on '%1'").arg(m_options.port)));
        m_client->serialPortClose(true);
        return PortUnavailable;
    }
    return Success;
}

void Flasher::interrupt() {
    if (m_done)
        return;
    if (!m_cancelRequested && m_client->cancelUpdateFirmware()) {
        m_cancelRequested = true;
        return;
    }
    if (m_cancelRequested || m_waitingNoted)
        return;
    // The module is checking and applying the image; stopping now could
    // leave it half-updated, so the answer is awaited.
    m_waitingNoted = true;
    m_display->message(stderr, prefixed(tr("the module on '%1' is applying the image; waiting "
                                           "for its answer")
                                            .arg(m_options.port)));
}

void Flasher::onProgress(int written) {
    m_confirmed = written;
    m_display->update(written);
}

void Flasher::onCompleted(at::Error err) {
    if (m_done)
        return;
    m_done = true;
    m_client->serialPortClose(true);

    const qint64 total = m_image.size();
    const QString port = m_options.port;
    ExitCode code = Success;
    QString text;

    if (!m_portFailure.isEmpty()) {
        code = PortLost;
        text = tr("the serial port '%1' failed during the transfer: %2 (%3 of %4 bytes "
                  "confirmed)")
                   .arg(port, m_portFailure)
                   .arg(m_confirmed)
                   .arg(total);
    } else if (err == at::None) {
        m_display->message(stdout, tr("Firmware update on %1 complete: %2 bytes written and "
                                      "accepted by the module")
                                       .arg(port)
                                       .arg(total));
        emit finished(Success);
        return;
    } else if (err == at::Fail || err == at::Timeout) {
        // The transfer's rules decide the code: an ERROR answer still ends as a time-out.
        code = err == at::Fail ? ModuleFail : Timeout;
        text = at::firmwareFailure(m_client->firmwareOutcome(), port);
    } else if (err == at::Cancel) {
        code = Cancelled;
        text = tr("firmware update on '%1' cancelled after %2 of %3 bytes; the module was not "
                  "asked to apply the image")
                   .arg(port)
                   .arg(m_confirmed)
                   .arg(total);
    } else {
        code = ModuleFail;
        text = tr("firmware update on '%1' failed: %2").arg(port, at::toText(err));
    }
    m_display->message(stderr, prefixed(text));
    emit finished(code);
}

void Flasher::onPortError(QSerialPort::SerialPortError error) {
    if (!m_running || m_done || error == QSerialPort::NoError)
        return;
    if (portFailure(m_port, error).isEmpty())
        return;
    if (m_portFailure.isEmpty())
        m_portFailure = portFailure(m_port, error);
    // Blocks can be stopped at once; the final step runs out its time-out.
    if (!m_cancelRequested && m_client->cancelUpdateFirmware())
        m_cancelRequested = true;
}

} // namespace flash
