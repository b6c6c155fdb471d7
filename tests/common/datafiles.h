#pragma once

// File helpers for the suites of the program's own data files.

#include <QFile>

#include <csignal>
#include <sys/resource.h>

namespace test {

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes as the whole of the file at path.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs save with files limited to limit bytes, as a full disk would (root included).
template <typename Save> bool saveUnderSizeLimit(rlim_t limit, Save save) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return saved;
}

} // namespace test
