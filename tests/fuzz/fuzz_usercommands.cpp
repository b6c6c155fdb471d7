// user_commands.json loaded from arbitrary bytes, then saved: what is saved loads back equal,
// and a file that is not a JSON array is never replaced.

#include "app/dir.h"
#include "usercommands/usercommands.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

static QList<QPair<QString, quint32>> snapshot() {
    QList<QPair<QString, quint32>> result;
    for (int i = 0; i < UserCommands::_self.size(); ++i) {
        const UserCommand& command = UserCommands::_self.command(i);
        // Repetition never comes back from the file, and no period undercuts the floor.
        if (command.isAuto() || command.period() < UserCommand::minPeriod)
            std::abort();
        result.append({command.value(), command.period()});
    }
    return result;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // In memory where possible: every input writes and syncs a file there.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    static QTemporaryDir dir((shm ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                             "/kelvra-fuzz-XXXXXX");
    // Set before the application exists, so the standard paths see it.
    qputenv("HOME", dir.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    return dir.isValid() ? 0 : (std::abort(), 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QFile file(dir::filename(QStringLiteral("user_commands.json")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool refused = !bytes.trimmed().isEmpty() && !QJsonDocument::fromJson(bytes).isArray();
    UserCommands& list = UserCommands::_self;
    list.restore();
    const auto loaded = snapshot();
    // A change and its undoing mark the list, so the save really writes.
    list.remove(list.append());
    if (!list.isModified() || snapshot() != loaded || list.save() == refused)
        std::abort();
    if (refused) {
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != bytes)
            std::abort();
        return 0;
    }
    if (list.isModified())
        std::abort();
    list.restore();
    if (list.isModified() || snapshot() != loaded)
        std::abort();
    return 0;
}
