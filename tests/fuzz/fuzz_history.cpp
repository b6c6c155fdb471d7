// The history loader on arbitrary bytes, then a save round trip: what is saved loads back equal.

#include "input/inputhistory.h"

#include "fuzzdir.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

static QTemporaryDir* g_dir = nullptr;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir dir(fuzzDirTemplate());
    g_dir = &dir;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    return dir.isValid() ? 0 : (std::abort(), 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = g_dir->filePath(QStringLiteral("input.json"));
    const QString output = g_dir->filePath(QStringLiteral("output.json"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    InputHistory loaded;
    if (!loaded.restore(input) || loaded.modified || loaded.current != loaded.entries.size() ||
        loaded.entries.contains(QString()))
        std::abort();
    loaded.add(QStringLiteral("AT"));
    InputHistory again;
    if (!loaded.save(output) || loaded.modified ||
        loaded.entries.size() > InputHistory::maxEntries || !again.restore(output) ||
        again.entries != loaded.entries)
        std::abort();
    return 0;
}
