// The history file loader on arbitrary bytes, then a save round trip: what is
// saved must load back as the same list.

#include "input/inputhistory.h"

#include "fuzzdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* g_dir = nullptr;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    // Saving syncs to disk; on a memory file system that costs nothing.
    static QTemporaryDir dir(fuzzDirTemplate());
    if (!dir.isValid())
        std::abort();
    g_dir = &dir;
    // Keep the user data directory out of the way of the user's real files.
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = g_dir->filePath(QStringLiteral("input.json"));
    const QString output = g_dir->filePath(QStringLiteral("output.json"));
    writeFile(input, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // An existing file is taken by its path as given.
    writeFile(output, QByteArray());

    InputHistory loaded;
    if (!loaded.restore(input))
        std::abort();
    if (loaded.modified || loaded.current != loaded.entries.size())
        std::abort();
    for (const QString& entry : std::as_const(loaded.entries)) {
        if (entry.isEmpty())
            std::abort();
    }

    // A run that enters one line writes the history back.
    loaded.add(QStringLiteral("AT"));
    if (!loaded.save(output) || loaded.modified)
        std::abort();
    if (loaded.entries.size() > InputHistory::maxEntries)
        std::abort();

    InputHistory again;
    if (!again.restore(output))
        std::abort();
    if (again.entries != loaded.entries)
        std::abort();
    return 0;
}
