#pragma once

#include "at/exchange.h"
#include "at/steprunner.h"

#include <QByteArray>
#include <QString>

namespace atcmd {

// Standard output: the traffic as it comes, as the window logs it ("<< ", ">> "), or one JSON
// object for each step as it ends; nothing with quiet.
class Report {
public:
    Report(bool json, bool quiet)
        : m_json(json)
        , m_quiet(quiet) {}

    void sent(const QByteArray& line);
    void sentBinary(const QByteArray& data);
    void received(const QByteArray& line, at::Exchange::Role role);
    void receivedBinary(const QByteArray& data);
    void ended(const at::StepRecord& record);
    // The bytes as hex rows behind the prefix, the rows after the first under it.
    void hexRows(const QString& prefix, const QByteArray& data);

private:
    void traffic(const QString& text);

    bool m_json;
    bool m_quiet;
};

// The device's bytes as a terminal may show them: control characters (an escape would drive
// the terminal) as \r, \n, \xNN, a backslash as \\.
QString printable(const QByteArray& data);

} // namespace atcmd
