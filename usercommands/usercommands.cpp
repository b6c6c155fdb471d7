#include "usercommands/usercommands.h"

#include "app/datafile.h"
#include "app/dir.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

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
    if (locked)
        return false;

    QJsonArray array;
    for (const UserCommand* command : std::as_const(commands))
        array.append(command->toJson());

    if (!datafile::write(dir::filename(key::filename),
                         QJsonDocument(array).toJson(QJsonDocument::Indented)))
        return false;
    modified = false;
    return true;
}

void UserCommands::restore() {
    // Keep an attached model in step; at start-up nobody listens yet.
    if (!commands.isEmpty())
        removeRange(0, commands.size());
    modified = false;

    QJsonArray array;
    locked = datafile::read(dir::filename(key::filename), &array) == datafile::Read::Refused;
    // Any other element is an empty command, so rows keep their places.
    for (const QJsonValue& element : array)
        insert(UserCommand::fromJson(element.toObject()));
}

void UserCommands::insert(UserCommand* command) {
    const int index = commands.size();
    emit willInsert(index);
    commands.append(command);
    emit wasInsert(index, *command);
}
