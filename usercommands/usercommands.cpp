#include "usercommands/usercommands.h"

#include "app/datafile.h"
#include "app/dir.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <memory>

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
    const QString path = dir::filename(key::filename);
    QJsonArray now;
    const datafile::Read read = datafile::read(path, &now);
    if (read == datafile::Read::Refused) {
        locked = true;
        return false;
    }

    QJsonArray array;
    // A file gone since is no change to merge: this list is all there is.
    const bool merging = read == datafile::Read::Loaded && now != base;
    if (merging) {
        array = merged(now);
    } else {
        for (const UserCommand* command : std::as_const(commands))
            array.append(command->toJson());
    }
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Indented);
    if (!datafile::write(path, bytes))
        return false;
    if (merging)
        adopt(array);
    base = QJsonDocument::fromJson(bytes).array();
    for (int i = 0; i < commands.size(); ++i)
        commands.at(i)->m_origin = i;
    modified = false;
    return true;
}

namespace {

struct Fields {
    QString value;
    quint32 period;
    bool operator==(const Fields& other) const {
        return value == other.value && period == other.period;
    }
};

Fields fields(const QJsonValue& element) {
    const std::unique_ptr<UserCommand> command(UserCommand::fromJson(element.toObject()));
    return {command->value(), command->period()};
}

// For each row of from, its row in to, or -1: rows equal in both, in order (the longest such
// run), and the rows between two of them paired one to one where both sides hold as many
// (changed in place).
QList<int> rowMap(const QList<Fields>& from, const QList<Fields>& to) {
    const int n = int(from.size()), m = int(to.size());
    QList<int> map(n, -1);
    int head = 0;
    while (head < n && head < m && from.at(head) == to.at(head)) {
        map[head] = head;
        ++head;
    }
    int tail = 0;
    while (tail < n - head && tail < m - head && from.at(n - 1 - tail) == to.at(m - 1 - tail)) {
        map[n - 1 - tail] = m - 1 - tail;
        ++tail;
    }
    const int bn = n - head - tail, dm = m - head - tail;
    // Anchors between, by the longest common subsequence where that stays cheap.
    QList<QPair<int, int>> anchors{{head - 1, head - 1}};
    if (bn > 0 && dm > 0 && qint64(bn) * dm <= 4 * 1024 * 1024) {
        QList<int> length((bn + 1) * (dm + 1), 0);
        const auto at = [&](int i, int j) -> int& { return length[i * (dm + 1) + j]; };
        for (int i = bn - 1; i >= 0; --i)
            for (int j = dm - 1; j >= 0; --j)
                at(i, j) = from.at(head + i) == to.at(head + j) ? at(i + 1, j + 1) + 1
                                                                : qMax(at(i + 1, j), at(i, j + 1));
        for (int i = 0, j = 0; i < bn && j < dm;) {
            if (from.at(head + i) == to.at(head + j)) {
                anchors.append({head + i, head + j});
                ++i, ++j;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    anchors.append({n - tail, m - tail});
    for (int k = 1; k < anchors.size(); ++k) {
        const auto [i0, j0] = anchors.at(k - 1);
        const auto [i1, j1] = anchors.at(k);
        if (i1 < n)
            map[i1] = j1;
        if (i1 - i0 == j1 - j0) {
            for (int d = 1; i0 + d < i1; ++d)
                map[i0 + d] = j0 + d;
        }
    }
    return map;
}

} // namespace

QJsonArray UserCommands::merged(const QJsonArray& now) const {
    QList<Fields> before, after;
    for (const QJsonValue& element : base)
        before.append(fields(element));
    for (const QJsonValue& element : now)
        after.append(fields(element));
    const QList<int> there = rowMap(before, after);

    QList<const UserCommand*> here(before.size(), nullptr);
    QList<const UserCommand*> added;
    for (const UserCommand* command : commands) {
        if (command->m_origin >= 0 && command->m_origin < before.size())
            here[command->m_origin] = command;
        else
            added.append(command);
    }
    QList<QJsonValue> rows(now.begin(), now.end());
    QList<bool> dropped(rows.size(), false);
    QJsonArray result, kept;
    for (int i = 0; i < before.size(); ++i) {
        const UserCommand* command = here.at(i);
        const int j = there.at(i);
        if (!command) { // removed here
            if (j >= 0)
                dropped[j] = true;
            continue;
        }
        const bool value = command->value() != before.at(i).value;
        const bool period = command->period() != before.at(i).period;
        if (!value && !period)
            continue;
        if (j < 0) { // changed here, gone there: the change is not lost
            kept.append(command->toJson());
            continue;
        }
        QJsonObject object = rows.at(j).toObject();
        if (value)
            object.insert(key::value, command->value());
        if (period)
            object.insert(key::period, qint64(command->period()));
        rows[j] = object;
    }
    for (int j = 0; j < rows.size(); ++j) {
        if (!dropped.at(j))
            result.append(rows.at(j));
    }
    for (const QJsonValue& element : std::as_const(kept))
        result.append(element);
    for (const UserCommand* command : std::as_const(added))
        result.append(command->toJson());
    return result;
}

void UserCommands::adopt(const QJsonArray& array) {
    if (!commands.isEmpty())
        removeRange(0, commands.size());
    for (const QJsonValue& element : array)
        insert(UserCommand::fromJson(element.toObject()));
}

void UserCommands::restore() {
    // Keep an attached model in step; at start-up nobody listens yet.
    if (!commands.isEmpty())
        removeRange(0, commands.size());
    modified = false;

    locked = datafile::read(dir::filename(key::filename), &base) == datafile::Read::Refused;
    // Any other element is an empty command, so rows keep their places.
    for (const QJsonValue& element : std::as_const(base)) {
        insert(UserCommand::fromJson(element.toObject()));
        commands.last()->m_origin = int(commands.size()) - 1;
    }
}

void UserCommands::insert(UserCommand* command) {
    const int index = commands.size();
    emit willInsert(index);
    commands.append(command);
    emit wasInsert(index, *command);
}
