#pragma once

#include "tools/at/step.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace atcmd {

// What came of one step.
struct Record {
    enum Status { Ok, Error, Timeout, PortFailed, Cancelled };
    int number = 0; // 0: the lines after the last step
    Step step;
    bool echo = false;
    QStringList answer;
    QStringList unsolicited;
    QList<QByteArray> blocks;
    QString result; // the final line, or the line a wait matched
    Status status = Ok;
    qint64 ms = 0;
};

// Standard output: the traffic as it comes, as the window logs it ("<< ", ">> "), or one JSON
// object for each step as it ends; nothing with quiet.
class Report {
public:
    Report(bool json, bool quiet)
        : m_json(json)
        , m_quiet(quiet) {}

    void sent(const QByteArray& line);
    void sentBinary(const QByteArray& data);
    void received(const QString& line, bool unsolicited);
    void receivedBinary(const QByteArray& data);
    void ended(const Record& record);

private:
    void traffic(const QString& text);

    bool m_json;
    bool m_quiet;
};

} // namespace atcmd
