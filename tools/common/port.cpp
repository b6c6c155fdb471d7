#include "tools/common/port.h"

#include "at/client.h"
#include "at/portholders.h"
#include "tools/common/console.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tools {

namespace {

bool inGroup(gid_t gid) {
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[size_t(i)] == gid)
            return true;
    }
    return false;
}

// Whether this process's rights let it read and write the device; a refusal then comes from
// another program holding it.
bool mayAccess(const QString& portPath) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(portPath).constData(), R_OK | W_OK,
                       AT_EACCESS) == 0;
}

QString permissionHint(const QString& portPath) {
    struct stat st {};
    if (::stat(QFile::encodeName(portPath).constData(), &st) != 0)
        return {};
    const group* owner = getgrgid(st.st_gid);
    const QString name =
        owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(st.st_gid);
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        // Joining the group would not help: it may not read and write the device.
        return tr("%1 is open to its owner only (mode %2), not to its "
                  "group '%3'; ask the administrator for access")
            .arg(portPath,
                 QString::number(st.st_mode & 07777, 8).rightJustified(4, QLatin1Char('0')), name);
    }
    if (inGroup(st.st_gid)) {
        // Already a member in this session, yet refused: something else denies it.
        return tr("you are in the group '%1' that owns %2, but the device "
                  "still refuses access; check its permissions "
                  "(ls -l %2)")
            .arg(name, portPath);
    }
    return tr("%1 belongs to the group '%2'; add yourself to the group "
              "'%2': sudo usermod -aG %2 $USER, then log in again")
        .arg(portPath, name);
}

} // namespace

ExitCode openPort(at::Client& client, const QString& portName, qint32 baud, QString* message,
                  const at::LineSettings& line) {
    QSerialPort* port = client.serialPort();
    port->setPortName(portName);
    port->setBaudRate(baud);
    QString refused;
    at::applyLine(port, line, &refused);
    const auto refuse = [&](const QString& why) {
        *message = tr("cannot open the serial port '%1': %2").arg(portName, why);
        return PortUnavailable;
    };
    // Swapped arguments or a typo: never write to a file or hold a directory, and say so
    // before listing who else holds, say, /dev/null.
    if (const QString why = at::notTerminal(portName); !why.isEmpty())
        return refuse(why);
    const QString device = at::devicePath(portName);

    QStringList holders;
    const QMetaObject::Connection inUse = QObject::connect(
        &client, &at::Client::portInUse, [&holders](const QStringList& names) { holders = names; });
    const bool opened = client.serialPortOpen(true);
    QObject::disconnect(inUse);
    if (!opened) {
        if (!holders.isEmpty()) {
            *message = tr("the serial port '%1' is in use by another program: %2")
                           .arg(portName, holders.join(QStringLiteral(", ")));
        } else if (port->error() == QSerialPort::PermissionError && mayAccess(device)) {
            // Qt says "permission" for a port locked or held exclusively by another program
            // too, one this process cannot see; joining a group would not help there.
            *message = tr("the serial port '%1' is in use by another program").arg(portName);
        } else if (port->error() == QSerialPort::UnsupportedOperationError) {
            return refuse(tr("it is not a terminal"));
        } else {
            // A bare name was looked up under /dev: say where.
            const QString location = at::portLocation(portName);
            refuse(location == portName ? port->errorString()
                                        : location + QStringLiteral(": ") + port->errorString());
            const QString hint = port->error() == QSerialPort::PermissionError
                                     ? permissionHint(device.isEmpty() ? portName : device)
                                     : QString();
            if (!hint.isEmpty())
                *message += QLatin1Char('\n') + QCoreApplication::applicationName() +
                            QStringLiteral(": ") + hint;
        }
        return PortUnavailable;
    }
    if (!port->setBaudRate(baud)) {
        *message = tr("the serial port '%1' does not take %2 baud: %3")
                       .arg(portName)
                       .arg(baud)
                       .arg(port->errorString());
        client.serialPortClose(true);
        return PortUnavailable;
    }
    // A driver keeps what it cannot do without a word: asked for, checked.
    if (!line.isDefault()) {
        refused = at::checkLine(port);
        if (!refused.isEmpty()) {
            *message = tr("the serial port '%1' does not take %2").arg(portName, refused);
            client.serialPortClose(true);
            return PortUnavailable;
        }
    }
    port->clearError();
    return Success;
}

QString portFailure(QSerialPort* port, QSerialPort::SerialPortError error) {
    if (error == QSerialPort::WriteError)
        return tr("writing failed: %1").arg(port->errorString());
    // Qt's own text for a vanished device is often a stale errno.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
        return tr("the device was removed or stopped responding");
    return {};
}

} // namespace tools
