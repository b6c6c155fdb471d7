#include "mainwidget/recorder.h"

#include <QDateTime>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr qsizetype flushSize = 64 * 1024;

bool lineBreak(QChar c) {
    // Where the log starts a new line.
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
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
    m_file.setFileName(path);
    // Unbuffered: the buffer is ours, and a failed write must show at once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::fstat(m_file.handle(), &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
#endif
    // A file that ends inside a line is continued on a line of its own.
    m_lineStart = true;
    if (m_file.size() > 0) {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && old.seek(old.size() - 1) && old.read(1) != "\n")
            m_buffer = "\n";
    }
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
    const QByteArray path = QFile::encodeName(m_file.fileName());
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
