#include "usercommands/usercommands.h"

#include "app/dir.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>

namespace {
// The program writes a few hundred bytes per command; anything bigger than this is
// not ours and would only cost memory and start-up time.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;

// Reads at most limit + 1 bytes, growing with what the file really holds: a single
// read of limit + 1 would reserve the whole limit for every small file.
QByteArray readBounded(QIODevice& device, qint64 limit) {
    QByteArray bytes;
    while (bytes.size() <= limit) {
        const QByteArray chunk = device.read(qMin<qint64>(64 * 1024, limit + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}
} // namespace

UserCommands UserCommands::_self;

UserCommands::UserCommands() = default;

UserCommands::~UserCommands() {
    qDeleteAll(commands);
}

int UserCommands::append() {
    const int index = commands.size();
    modified = true;
    emit willInsert(index);
    commands.append(new UserCommand);
    emit wasInsert(index, *commands.last());
    return index;
}

void UserCommands::removeRange(int index, int count) {
    if (index < 0 || count < 1 || count > commands.size() - index)
        return;
    emit willRemove(index, count);
    for (int i = 0; i < count; ++i)
        delete commands.takeAt(index);
    modified = true;
    emit wasRemove(index, count);
}

void UserCommands::remove(int index) {
    if (index >= 0 && index < commands.size())
        removeRange(index, 1);
}

void UserCommands::remove(const QList<int>& rows) {
    QList<int> sorted;
    sorted.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && row < commands.size())
            sorted.append(row);
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    // Highest run first, so the positions of the runs still to go stay valid.
    int last = sorted.size() - 1;
    while (last >= 0) {
        int first = last;
        while (first > 0 && sorted.at(first - 1) == sorted.at(first) - 1)
            --first;
        removeRange(sorted.at(first), last - first + 1);
        last = first - 1;
    }
}

bool UserCommands::save() {
    if (!modified)
        return true;

    QJsonArray array;
    for (const UserCommand* command : std::as_const(commands))
        array.append(command->toJson());

    // Written aside and renamed over the old file, so a full disk or a crash never
    // leaves a truncated list behind.
    QSaveFile file(dir::filename(key::filename));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Indented);
    // commit() alone would publish a copy cut short by a full disk or a size limit:
    // a short flush reports no error there, so compare what reached the file.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        file.cancelWriting(); // the unfinished copy is dropped when file goes
        return false;
    }
    if (!file.commit())
        return false;
    modified = false;
    return true;
}

void UserCommands::restore() {
    // Keep an attached model in step; at start-up nobody listens yet.
    if (!commands.isEmpty())
        removeRange(0, commands.size());
    modified = false;

    const QString path = dir::filename(key::filename);
    // Only a regular file: a device or pipe in its place could be endless.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxFileSize)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = readBounded(file, maxFileSize);
    if (bytes.size() > maxFileSize)
        return;

    const QJsonArray array = QJsonDocument::fromJson(bytes).array();
    // A number or string where a command should be is no command of ours.
    for (const QJsonValue& element : array) {
        if (element.isObject())
            insert(UserCommand::fromJson(element.toObject()));
    }
}

void UserCommands::insert(UserCommand* command) {
    const int index = commands.size();
    emit willInsert(index);
    commands.append(command);
    emit wasInsert(index, *command);
}
