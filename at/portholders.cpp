#include "at/portholders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace at {

namespace {

QByteArray readSmallFile(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
}

QString processCommand(const QByteArray& procDir) {
    QByteArray command = readSmallFile(procDir + "/cmdline");
    command.replace('\0', ' ');
    command = command.trimmed();
    // Kernel threads and zombies have no command line, but keep their name.
    if (command.isEmpty())
        command = readSmallFile(procDir + "/comm").trimmed();
    return QString::fromLocal8Bit(command);
}

// What a process has open of the device: the device itself, and the master of the
// pseudo-terminal whose slave it is (ptyIndex, -1 for other devices).
struct Holding {
    bool device = false;
    bool master = false;
};

Holding holding(const QByteArray& procDir, const QByteArray& device, const QByteArray& ptyIndex) {
    Holding found;
    DIR* fds = ::opendir((procDir + "/fd").constData());
    if (!fds)
        return found;
    char target[PATH_MAX];
    while (const dirent* entry = ::readdir(fds)) {
        const QByteArray fd(entry->d_name);
        if (fd.startsWith('.'))
            continue;
        const ssize_t length =
            ::readlink((procDir + "/fd/" + fd).constData(), target, sizeof target);
        if (length <= 0)
            continue;
        const QByteArray link(target, length);
        if (link == device) {
            found.device = true;
        } else if (!ptyIndex.isEmpty() && link.endsWith("ptmx")) {
            // A master names only the multiplexer; its fdinfo says which terminal it serves.
            const QByteArray info = readSmallFile(procDir + "/fdinfo/" + fd);
            const qsizetype at = info.indexOf("tty-index:");
            if (at >= 0 && info.mid(at + 10).trimmed().split('\n').value(0).trimmed() == ptyIndex)
                found.master = true;
        }
    }
    ::closedir(fds);
    return found;
}

// This process and the ones it runs under: whatever they hold, they hold for this one.
QSet<QByteArray> selfAndAncestors() {
    QSet<QByteArray> pids{QByteArray::number(::getpid())};
    for (pid_t pid = ::getppid(); pid > 1 && pids.size() < 4096;) {
        pids.insert(QByteArray::number(pid));
        // "pid (comm) state ppid ...": the name may hold anything, the last ')' ends it.
        const QByteArray stat = readSmallFile("/proc/" + QByteArray::number(pid) + "/stat");
        const QList<QByteArray> fields =
            stat.mid(stat.lastIndexOf(')') + 1).simplified().split(' ');
        bool ok = false;
        const pid_t parent = pid_t(fields.value(1).toInt(&ok));
        if (!ok || parent == pid)
            break;
        pid = parent;
    }
    return pids;
}

} // namespace

QString portLocation(const QString& portName) {
    // The serial port's own rule for names without a directory.
    if (portName.isEmpty() || portName.startsWith(QLatin1Char('/')) ||
        portName.startsWith(QLatin1String("./")) || portName.startsWith(QLatin1String("../")))
        return portName;
    return QLatin1String("/dev/") + portName;
}

QString devicePath(const QString& portName) {
    const QString location = portLocation(portName);
    return location.isEmpty() ? QString() : QFileInfo(location).canonicalFilePath();
}

QString notTerminal(const QString& portName) {
    const QString location = portLocation(portName);
    struct stat st {};
    if (location.isEmpty())
        return {};
    if (::stat(QFile::encodeName(location).constData(), &st) != 0) {
        // Nothing there is the open's to say; a path that cannot be looked up at all (too
        // long, a file where a directory should be) would be blamed on the lock file.
        return errno == ENOENT ? QString()
                               : QCoreApplication::translate("at", "%1: %2")
                                     .arg(location, qt_error_string(errno));
    }
    const auto text = [&location](const char* why) {
        return QCoreApplication::translate("at", why).arg(location);
    };
    if (S_ISDIR(st.st_mode))
        return text(QT_TRANSLATE_NOOP("at", "%1 is a directory"));
    if (!S_ISCHR(st.st_mode))
        return text(QT_TRANSLATE_NOOP("at", "%1 is not a terminal"));
    // The kernel files character devices by class; terminals are "tty". Pseudo-terminals are
    // not filed there, so a device without an entry is left to the open.
    const QByteArray entry = QByteArray("/sys/dev/char/") + QByteArray::number(major(st.st_rdev)) +
                             ':' + QByteArray::number(minor(st.st_rdev)) + "/subsystem";
    const QString subsystem = QFileInfo(QFile::decodeName(entry)).canonicalFilePath();
    if (!subsystem.isEmpty() && QFileInfo(subsystem).fileName() != QLatin1String("tty"))
        return text(QT_TRANSLATE_NOOP("at", "%1 is not a terminal"));
    return {};
}

QStringList portHolders(const QString& portName) {
    QStringList holders;
    const QByteArray device = QFile::encodeName(devicePath(portName));
    if (device.isEmpty())
        return holders;
    const QByteArray ptyIndex = device.startsWith("/dev/pts/") ? device.mid(9) : QByteArray();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return holders;
    const QSet<QByteArray> self = selfAndAncestors();
    while (const dirent* entry = ::readdir(proc)) {
        const QByteArray pid(entry->d_name);
        if (self.contains(pid) || pid.isEmpty() ||
            !std::all_of(pid.cbegin(), pid.cend(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const QByteArray procDir = "/proc/" + pid;
        const Holding held = holding(procDir, device, ptyIndex);
        if (held.device && !held.master)
            holders.append(QStringLiteral("PID %1 (%2)")
                               .arg(QString::fromLatin1(pid), processCommand(procDir)));
    }
    ::closedir(proc);
    return holders;
}

} // namespace at
