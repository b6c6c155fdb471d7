#include "tools/flash/portaccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace flash {

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

QString processCommand(const QByteArray& procDir) {
    QFile cmdline(QFile::decodeName(procDir + "/cmdline"));
    QByteArray command;
    if (cmdline.open(QIODevice::ReadOnly))
        command = cmdline.readAll();
    command.replace('\0', ' ');
    command = command.trimmed();
    if (command.isEmpty()) {
        // Kernel threads and zombies have no command line, but keep their name.
        QFile comm(QFile::decodeName(procDir + "/comm"));
        if (comm.open(QIODevice::ReadOnly))
            command = comm.readAll().trimmed();
    }
    return QString::fromLocal8Bit(command);
}

bool holds(const QByteArray& procDir, const QByteArray& device) {
    DIR* fds = ::opendir((procDir + "/fd").constData());
    if (!fds)
        return false;
    bool found = false;
    char target[PATH_MAX];
    while (const dirent* entry = ::readdir(fds)) {
        const QByteArray link = procDir + "/fd/" + entry->d_name;
        const ssize_t length = ::readlink(link.constData(), target, sizeof target);
        if (length > 0 && QByteArray(target, length) == device) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

} // namespace

bool mayAccess(const QString& portPath) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(portPath).constData(), R_OK | W_OK,
                       AT_EACCESS) == 0;
}

QStringList portHolders(const QString& portPath) {
    // The descriptors name the device itself, not a link to it.
    const QByteArray device = QFile::encodeName(QFileInfo(portPath).canonicalFilePath());
    QStringList holders;
    if (device.isEmpty())
        return holders;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return holders;
    const QByteArray self = QByteArray::number(::getpid());
    while (const dirent* entry = ::readdir(proc)) {
        const QByteArray pid(entry->d_name);
        if (pid == self || pid.isEmpty() ||
            !std::all_of(pid.cbegin(), pid.cend(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const QByteArray procDir = "/proc/" + pid;
        if (holds(procDir, device))
            holders.append(QStringLiteral("PID %1 (%2)")
                               .arg(QString::fromLatin1(pid), processCommand(procDir)));
    }
    ::closedir(proc);
    return holders;
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
        return QCoreApplication::translate("Flash",
                                           "%1 is open to its owner only (mode %2), not to its "
                                           "group '%3'; ask the administrator for access")
            .arg(portPath,
                 QString::number(st.st_mode & 07777, 8).rightJustified(4, QLatin1Char('0')), name);
    }
    if (inGroup(st.st_gid)) {
        // Already a member in this session, yet refused: something else denies it.
        return QCoreApplication::translate("Flash",
                                           "you are in the group '%1' that owns %2, but the device "
                                           "still refuses access; check its permissions "
                                           "(ls -l %2)")
            .arg(name, portPath);
    }
    return QCoreApplication::translate("Flash",
                                       "%1 belongs to the group '%2'; add yourself to the group "
                                       "'%2': sudo usermod -aG %2 $USER, then log in again")
        .arg(portPath, name);
}

} // namespace flash
