#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>

class MainWidget;
class ProgressBox;
class QAction;
class QTimer;

// "Send file...": a file's bytes to the port as they are, at the pace the line drains them.
class FileSender : public QObject {
    Q_OBJECT
public:
    explicit FileSender(MainWidget* window);
    ~FileSender() override;

    QAction* action() const { return m_action; }
    bool isSending() const { return m_fd >= 0; }
    // Bytes the port has handed to the device so far.
    qint64 handed() const { return m_handed; }
    void choose();
    // Checks the file and the port, then starts; false when refused (the user is told).
    bool start(const QString& path);
    void cancel();

private:
    enum Stop { Done, Cancelled, Lost, Unreadable };
    void pump();
    void count();
    void refresh();
    // With the bytes shown as hex: the rows of those handed on since the last call, up to the
    // last (at the end: what the count says went).
    void logHanded(bool last);
    qint64 driverQueued() const;
    void onPortError(QSerialPort::SerialPortError error);
    void stop(Stop why);

    MainWidget* m_window;
    QAction* m_action;
    QPointer<ProgressBox> m_box;
    QTimer* m_refresh;
    int m_fd = -1;
    QString m_name;
    qint64 m_size = 0;
    qint64 m_read = 0;
    qint64 m_handed = 0;
    bool m_pumping = false;
    // Written to the port and not yet in the log: the log shows what was handed on.
    QByteArray m_unlogged;
    qint64 m_logged = 0;
};
