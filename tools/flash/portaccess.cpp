#include "tools/flash/portaccess.h"

#include <QCoreApplication>
#include <QFile>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

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
