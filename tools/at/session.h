#pragma once

#include "at/client.h"
#include "tools/at/options.h"
#include "tools/at/report.h"
#include "tools/common/exitcode.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace atcmd {

// Runs the steps one after the other on the module's port; finished() carries the exit status.
// Each received line belongs to the step that runs when it comes, or to the next one.
class Session : public QObject {
    Q_OBJECT
public:
    Session(const Options& options, Report* report, QObject* parent = nullptr);

    // Anything but Success: the port stays closed and the reason has been printed.
    tools::ExitCode open();
    // Runs the step when its turn comes.
    void add(const Step& step);
    // The run ends once the steps given so far have.
    void noMoreSteps();
    // Ctrl-C.
    void interrupt();

signals:
    void finished(int exitCode);

private:
    void startNext();
    void onReceived(const QByteArray& data);
    void onReceivedBinary(const QByteArray& data);
    void onPortError(QSerialPort::SerialPortError error);
    void endStep(Record::Status status);
    void finish(tools::ExitCode code);
    QString described() const;

    Options m_options;
    Report* m_report;
    at::Client* m_client;
    QSerialPort* m_port;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QList<Step> m_queue;
    // The running step's record; between steps, what came for the next one.
    Record m_record;
    int m_count = 0;
    bool m_running = false;
    bool m_noMore = false;
    bool m_finishing = false;
    // A +READB header has announced a block that has not come yet.
    bool m_blockDue = false;
    // A wait matched a +READB header and ends with its block.
    bool m_endWithBlock = false;
    tools::ExitCode m_code = tools::Success;
};

} // namespace atcmd
