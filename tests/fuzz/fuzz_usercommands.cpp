// user_commands.json loaded from arbitrary bytes, then saved: what is saved must
// load back equal.

#include "app/dir.h"
#include "usercommands/usercommands.h"

#include "fuzzdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

using Snapshot = QList<QPair<QString, quint32>>;

Snapshot snapshot() {
    Snapshot result;
    for (int i = 0; i < UserCommands::_self.size(); ++i) {
        const UserCommand& command = UserCommands::_self.command(i);
        if (command.isAuto())
            std::abort(); // repetition never comes back from the file
        result.append({command.value(), command.period()});
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Saving syncs to disk; on a memory file system that costs nothing.
    static QTemporaryDir dir(fuzzDirTemplate());
    if (!dir.isValid())
        std::abort();
    // Set before the application exists, so the standard paths see it.
    qputenv("HOME", dir.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = dir::filename(QStringLiteral("user_commands.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }

    UserCommands& list = UserCommands::_self;
    list.restore();
    if (list.isModified())
        std::abort();
    const Snapshot loaded = snapshot();
    for (const auto& command : loaded) {
        if (command.second < UserCommand::minPeriod)
            std::abort();
    }

    // A change and its undoing mark the list, so the save really writes.
    list.remove(list.append());
    if (!list.isModified() || snapshot() != loaded)
        std::abort();
    if (!list.save() || list.isModified())
        std::abort();

    list.restore();
    if (snapshot() != loaded)
        std::abort();
    return 0;
}
