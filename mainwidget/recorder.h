#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTimer>

// Local time texts, milliseconds and a space after, for a stream of instants: the calendar
// part is worked out once a second.
class TimeText {
public:
    // format: the date and time up to the seconds, as QDateTime::toString takes it.
    explicit TimeText(QString format)
        : m_format(std::move(format)) {}
    QString operator()(qint64 msecsSinceEpoch);

private:
    QString m_format;
    qint64 m_second = -1;
    QString m_text;
};

// Writes the log's entries to a file as the log shows them, each line behind the local time
// of the entry that began it. Appends to a file that exists. Buffered: the file gets what was
// written at least once a second, when the buffer fills, at stop and at destruction.
class Recorder : public QObject {
    Q_OBJECT
public:
    explicit Recorder(QObject* parent = nullptr);
    ~Recorder() override;

    // False, with errorString() telling why, when path cannot be opened for appending or is
    // not a regular file (a pipe, a device, a directory). Never blocks.
    bool start(const QString& path);
    void stop();
    bool isRecording() const { return m_file.isOpen(); }
    QString fileName() const { return m_path; }
    QString errorString() const { return m_error; }

    void write(qint64 msecsSinceEpoch, const QString& prefix, const QString& text);

signals:
    // The file could not take what was written, or it was removed; recording has stopped.
    void failed(const QString& error);

private:
    void append(qint64 msecsSinceEpoch, QStringView text);
    void flush();
    void fail(const QString& error);

    QFile m_file;
    QString m_path;
    QString m_error;
    QByteArray m_buffer;
    QTimer m_timer;
    TimeText m_time{QStringLiteral("yyyy-MM-dd hh:mm:ss")};
    bool m_lineStart = true;
    // The file's identity when opened, to tell that its path no longer leads to it.
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
