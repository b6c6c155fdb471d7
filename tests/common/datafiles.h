#pragma once

// File helpers for the suites of the program's own data files.

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace test {

// Organisation and application names, so settings and data files land where the program's do.
inline void setIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes as the whole of the file at path.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs save with files limited to limit bytes, as a full disk would, and file permissions
// binding as for any user: root's power to ignore them is put aside meanwhile.
template <typename Save> bool saveUnderSizeLimit(rlim_t limit, Save save) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    syscall(SYS_capget, &header, caps);
    const auto effective =
        std::exchange(caps[0].effective,
                      caps[0].effective & ~(1u << CAP_DAC_OVERRIDE) & ~(1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header, caps);
    const bool saved = save();
    caps[0].effective = effective;
    syscall(SYS_capset, &header, caps);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return saved;
}

} // namespace test
