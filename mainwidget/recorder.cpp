#include "mainwidget/recorder.h"

#include <QDateTime>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qsizetype flushSize = 64 * 1024;

bool lineBreak(QChar c) {
    // Where the log starts a new line.
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}

QString notRegular() {
    return Recorder::tr("not a regular file");
}

} // namespace

QString TimeText::operator()(qint64 msecsSinceEpoch) {
    const qint64 second = msecsSinceEpoch / 1000;
    if (second != m_second) {
        m_second = second;
        m_text = QDateTime::fromMSecsSinceEpoch(second * 1000).toString(m_format) + u'.';
    }
    const int milli = int(msecsSinceEpoch % 1000);
    QString text;
    text.reserve(m_text.size() + 4);
    text += m_text;
    text += QChar(u'0' + milli / 100);
    text += QChar(u'0' + milli / 10 % 10);
    text += QChar(u'0' + milli % 10);
    text += u' ';
    return text;
}

Recorder::Recorder(QObject* parent)
    : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &Recorder::flush);
}

Recorder::~Recorder() {
    stop();
}

bool Recorder::start(const QString& path) {
    stop();
    m_error.clear();
    // Opened from a descriptor, the file keeps no name of its own.
    m_path = path;
#ifdef Q_OS_UNIX
    // Non-blocking: a pipe without a reader must not hold the window in open(), and the
    // type is checked on what was opened, not on what the path led to a moment before.
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0) {
        const int error = errno;
        // A pipe without a reader (ENXIO) or a directory: say what the path is.
        m_error = ::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)
                      ? notRegular()
                      : QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        m_error = notRegular();
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_device = quint64(st.st_dev);
    m_inode = quint64(st.st_ino);
    // Unbuffered: the buffer is ours, and a failed write must show at once.
    if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_error = m_file.errorString();
        return false;
    }
    // A file that ends inside a line is continued on a line of its own.
    m_lineStart = true;
    char last = '\n';
    if (st.st_size > 0) {
        // Read through a descriptor of its own, checked to be the same file.
        const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat same {};
        if (reader >= 0 && ::fstat(reader, &same) == 0 && same.st_dev == st.st_dev &&
            same.st_ino == st.st_ino && ::pread(reader, &last, 1, same.st_size - 1) != 1)
            last = '\n';
        if (reader >= 0)
            ::close(reader);
    }
    if (last != '\n')
        m_buffer = "\n";
#else
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_lineStart = true;
#endif
    return true;
}

void Recorder::stop() {
    if (!m_file.isOpen())
        return;
    flush();
    m_file.close();
}

void Recorder::write(qint64 msecsSinceEpoch, const QString& prefix, const QString& text) {
    if (!m_file.isOpen())
        return;
    append(msecsSinceEpoch, prefix);
    append(msecsSinceEpoch, text);
    if (m_buffer.size() >= flushSize)
        flush();
    else if (!m_timer.isActive())
        m_timer.start();
}

void Recorder::append(qint64 msecsSinceEpoch, QStringView text) {
    qsizetype from = 0;
    while (from < text.size()) {
        if (m_lineStart) {
            m_buffer += m_time(msecsSinceEpoch).toLatin1();
            m_lineStart = false;
        }
        qsizetype end = from;
        while (end < text.size() && !lineBreak(text[end]))
            ++end;
        m_buffer += text.mid(from, end - from).toUtf8();
        if (end == text.size())
            break;
        // CR LF is one line end, as in the log.
        if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        m_buffer += '\n';
        m_lineStart = true;
        from = end + 1;
    }
}

void Recorder::flush() {
    m_timer.stop();
    if (!m_file.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Written to a removed file, the record would be lost with its last descriptor.
    struct stat st {};
    const QByteArray path = QFile::encodeName(m_path);
    if (::stat(path.constData(), &st) != 0 || quint64(st.st_dev) != m_device ||
        quint64(st.st_ino) != m_inode) {
        fail(tr("the file was removed or replaced"));
        return;
    }
#endif
    if (m_buffer.isEmpty())
        return;
    const qint64 written = m_file.write(m_buffer);
    if (written != m_buffer.size()) {
        fail(m_file.errorString());
        return;
    }
    m_buffer.clear();
}

void Recorder::fail(const QString& error) {
    m_buffer.clear();
    m_file.close();
    emit failed(error);
}
