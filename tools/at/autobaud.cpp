#include "tools/at/autobaud.h"

#include "at/baudsearch.h"
#include "at/client.h"
#include "tools/common/console.h"
#include "tools/common/interrupt.h"
#include "tools/common/port.h"

#include <QEventLoop>
#include <QSerialPortInfo>

namespace atcmd {

tools::ExitCode findBaudRate(const QString& port, const at::LineSettings& line, bool toStderr,
                             qint32* rate) {
    at::Client client;
    auto* serial = new QSerialPort(&client);
    client.setSerialPort(serial);
    QString message;
    const QList<qint32> rates = at::baudSearchOrder(QSerialPortInfo::standardBaudRates());
    if (const tools::ExitCode opened =
            tools::openPort(client, port, rates.value(0), &message, line);
        opened != tools::Success) {
        tools::complain(message);
        return opened;
    }
    at::BaudSearch search(&client, rates, 300);
    tools::Interrupt interrupt;
    QObject::connect(&interrupt, &tools::Interrupt::interrupted, &search, &at::BaudSearch::cancel);
    QEventLoop loop;
    tools::ExitCode code = tools::Success;
    QObject::connect(&search, &at::BaudSearch::finished, &loop,
                     [&](at::BaudSearch::Outcome outcome, qint32 found) {
                         *rate = found;
                         code = outcome == at::BaudSearch::Found       ? tools::Success
                                : outcome == at::BaudSearch::Cancelled ? tools::Cancelled
                                : outcome == at::BaudSearch::NoAnswer  ? tools::Timeout
                                                                       : tools::PortLost;
                         loop.quit();
                     });
    search.start();
    if (search.isRunning())
        loop.exec();
    client.serialPortClose(true);
    if (code == tools::Success)
        tools::print(toStderr ? stderr : stdout, tools::tr("baud rate: %1\n").arg(*rate));
    else if (code == tools::Timeout)
        tools::complain(tools::tr("no rate answered: %1 rates tried").arg(rates.size()));
    else if (code == tools::PortLost)
        tools::complain(tools::tr("the serial port failed during the search"));
    return code;
}

} // namespace atcmd
