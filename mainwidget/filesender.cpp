#include "mainwidget/filesender.h"

#include "at/firmware.h"
#include "mainwidget/linesender.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/progressbox.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Bytes kept waiting in the port's buffer: enough to keep a fast line busy between two
// turns of the event loop, little enough that Cancel stops the line at once.
constexpr qint64 backlog = 16 * 1024;
} // namespace

FileSender::FileSender(MainWidget* window)
    : QObject(window)
    , m_window(window)
    , m_action(new QAction(MainWidget::tr("Send file..."), this))
    , m_refresh(new QTimer(this)) {
    m_refresh->setInterval(100);
    connect(m_refresh, &QTimer::timeout, this, &FileSender::refresh);
    m_action->setObjectName(QStringLiteral("send-file"));
    connect(m_action, &QAction::triggered, this, &FileSender::choose);
}

FileSender::~FileSender() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void FileSender::choose() {
    if (m_window->refuseGonePort(MainWidget::Opener::User)) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(m_window, MainWidget::tr("Send file"),
                                                      QString(), MainWidget::tr("All files (*)"));
    if (!path.isEmpty())
        start(path);
}

bool FileSender::start(const QString& path) {
    if (isSending())
        return false;
    const auto refuse = [this, &path](const QString& why) {
        QMessageBox::warning(m_window, MainWidget::tr("Error"),
                             QStringLiteral("%1:\n\n%2").arg(why, path), QMessageBox::Ok);
        return false;
    };
    const auto refuseInLog = [this](const QString& why) {
        m_window->insertTextToLog(QString(), why, QColor(Qt::red));
        return false;
    };
    const at::Client* client = m_window->m_client;
    // Steps write their commands when their turn comes, into the middle of the file.
    if (client->busy() || m_window->stepsRunning())
        return refuseInLog(
            MainWidget::tr("Not sent: a file waits until the running exchange has ended\r\n"));
    if (m_window->m_lineSender->isPasting())
        return refuseInLog(MainWidget::tr("Not sent: the last paste is still being sent\r\n"));

    // A pipe or a device would never end, and opening a pipe with no writer would block.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(MainWidget::tr("Not a regular file"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(MainWidget::tr("Failed to open file"));
    // The name may have been swapped for something else since the check.
    struct stat st {};
    const QString problem =
        ::fstat(fd, &st) != 0  ? MainWidget::tr("Failed to read file")
        : !S_ISREG(st.st_mode) ? MainWidget::tr("Not a regular file")
        : st.st_size > at::maxFirmwareSize
            ? MainWidget::tr("File is too large (more than %1 bytes)").arg(at::maxFirmwareSize)
        : st.st_size == 0 ? MainWidget::tr("File is empty")
                          : QString();
    if (!problem.isEmpty()) {
        ::close(fd);
        return refuse(problem);
    }
    // The device may have vanished while the file was being chosen.
    if (m_window->refuseGonePort(MainWidget::Opener::User)) {
        ::close(fd);
        return false;
    }
    if (!m_window->openChosenPort(MainWidget::Opener::User)) {
        ::close(fd);
        return false;
    }

    m_fd = fd;
    m_name = info.fileName();
    m_size = st.st_size;
    m_read = m_handed = 0;
    QSerialPort* port = m_window->m_client->serialPort();
    connect(port, &QSerialPort::bytesWritten, this, &FileSender::refresh);
    m_refresh->start();
    connect(port, &QSerialPort::errorOccurred, this, &FileSender::onPortError);
    connect(m_window->m_client, &at::Client::closed, this, [this] { stop(Lost); });
    m_unlogged.clear();
    m_logged = 0;
    // One entry for the whole file; as hex, its rows as the bytes go (logHanded).
    if (!m_window->showsHex())
        m_window->insertTextToLog(QStringLiteral("<< "),
                                  MainWidget::tr("%1: %2 bytes\r\n").arg(m_name).arg(m_size),
                                  QColor(Qt::blue));

    m_box = new ProgressBox(QStringLiteral("send-file-progress"), m_window);
    m_box->setLabelText(MainWidget::tr("Sending %1").arg(m_name));
    m_box->setRange(0, int(m_size));
    m_box->setValue(0);
    connect(m_box, &QDialog::rejected, this, &FileSender::cancel);
    m_box->show();
    pump();
    return true;
}

void FileSender::cancel() {
    if (!isSending())
        return;
    // What still waits in the buffers, the driver's included, never reaches the device.
    count();
    m_handed = qMax<qint64>(0, m_handed - driverQueued());
    m_window->m_client->serialPort()->clear(QSerialPort::Output);
    stop(Cancelled);
}

void FileSender::pump() {
    // write() may report synchronously on some platforms; one pass at a time.
    if (!isSending() || m_pumping)
        return;
    m_pumping = true;
    QSerialPort* port = m_window->m_client->serialPort();
    char chunk[backlog];
    while (isSending() && m_read < m_size && port->bytesToWrite() < backlog) {
        if (!port->isOpen()) {
            m_pumping = false;
            stop(Lost);
            return;
        }
        const ssize_t got =
            ::read(m_fd, chunk, size_t(qMin<qint64>(qint64(sizeof chunk), m_size - m_read)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // Shrunk or failing under our feet: what went is told, nothing is made up. What
            // was read still leaves the port's buffer.
            m_handed = m_read;
            m_pumping = false;
            stop(Unreadable);
            return;
        }
        if (port->write(chunk, got) != got) {
            m_pumping = false;
            stop(Lost);
            return;
        }
        m_read += got;
        m_unlogged.append(chunk, got);
    }
    m_pumping = false;
}

void FileSender::count() {
    const qint64 waiting = m_window->m_client->serialPort()->bytesToWrite();
    m_handed = qBound<qint64>(0, m_read - waiting, m_size);
}

void FileSender::refresh() {
    if (!isSending())
        return;
    // The port tells of a write only at the next one it can make, never while the line
    // stalls: what left its buffer is what the device has.
    count();
    logHanded(false);
    if (m_box)
        m_box->setValue(int(m_handed));
    if (m_handed >= m_size)
        stop(Done);
    else
        pump();
}

qint64 FileSender::driverQueued() const {
    const QSerialPort* port = m_window->m_client->serialPort();
    int queued = 0;
    if (port->isOpen() && ::ioctl(int(port->handle()), TIOCOUTQ, &queued) == 0)
        return queued;
    return 0;
}

void FileSender::logHanded(bool last) {
    // Bytes still in the driver may yet be dropped by a cancel: logged only once they left.
    const qint64 due =
        qMin(m_handed - (last ? 0 : driverQueued()) - m_logged, qint64(m_unlogged.size()));
    if (due <= 0)
        return;
    const QByteArray bytes = m_unlogged.first(due);
    m_unlogged.remove(0, due);
    m_logged += due;
    if (m_window->showsHex())
        m_window->logData(QStringLiteral("<< "), bytes, false, QColor(Qt::blue));
}

void FileSender::onPortError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError)
        stop(Lost);
}

void FileSender::stop(Stop why) {
    if (!isSending())
        return;
    logHanded(true);
    m_unlogged.clear();
    ::close(m_fd);
    m_fd = -1;
    m_refresh->stop();
    QSerialPort* port = m_window->m_client->serialPort();
    disconnect(port, nullptr, this, nullptr);
    disconnect(m_window->m_client, nullptr, this, nullptr);
    if (m_box) {
        m_box->hide();
        m_box->deleteLater();
    }
    const QString counts = MainWidget::tr("%1 of %2 bytes sent").arg(m_handed).arg(m_size);
    const QColor note(Qt::darkGray);
    switch (why) {
    case Done:
        break;
    case Cancelled:
        m_window->insertTextToLog(QString(),
                                  MainWidget::tr("Send file cancelled: %1\r\n").arg(counts), note);
        break;
    case Lost:
        m_window->insertTextToLog(
            QString(), MainWidget::tr("Send file stopped, the device is gone: %1\r\n").arg(counts),
            QColor(Qt::red));
        break;
    case Unreadable:
        m_window->insertTextToLog(
            QString(),
            MainWidget::tr("Send file stopped, %1 cannot be read any more: %2\r\n")
                .arg(m_name, counts),
            QColor(Qt::red));
        break;
    }
}
