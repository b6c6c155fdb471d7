#include "input/inputhistory.h"

#include "app/datafile.h"
#include "app/dir.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The entries a file's array gives: its non-empty strings.
QStringList texts(const QJsonArray& array) {
    QStringList result;
    for (const QJsonValue& value : array) {
        const QString text = value.toString();
        if (!text.isEmpty())
            result.append(text);
    }
    return result;
}

} // namespace

QString InputHistory::filename(const QString& name) {
    if (name.isEmpty())
        return dir::filename(QStringLiteral("history.json"));
    if (QFile::exists(name))
        return name;
    return dir::filename(name);
}

QString InputHistory::get(int index) {
    if (index < 0 || index >= entries.size())
        return QString();
    current = index;
    return entries.at(index);
}

void InputHistory::add(const QString& text) {
    entries.append(text);
    modified = true;
    current = entries.size();
}

bool InputHistory::save(const QString& name) {
    if (!modified)
        return true;
    const QString path = filename(name);
    if (!locked) {
        // Another window may have saved since: its entries stay, this run's come after them.
        QJsonArray array;
        const datafile::Read read = datafile::read(path, &array);
        if (read == datafile::Read::Refused) {
            locked = true;
        } else if (const QStringList now = texts(array);
                   read == datafile::Read::Loaded && now != base) {
            entries = now + entries.mid(ownFrom);
            ownFrom = int(now.size());
            base = now;
            current = int(entries.size());
        }
    }
    if (entries.size() > maxEntries) {
        const int cut = int(entries.size()) - maxEntries;
        entries.erase(entries.begin(), entries.begin() + cut);
        ownFrom = qMax(0, ownFrom - cut);
        current = maxEntries;
    }

    if (locked)
        return false;
    QJsonArray array;
    for (const QString& entry : std::as_const(entries))
        array.append(entry);
    if (!datafile::write(path, QJsonDocument(array).toJson(QJsonDocument::Indented)))
        return false;
    base = texts(array);
    ownFrom = int(entries.size());
    modified = false;
    return true;
}

bool InputHistory::restore(const QString& name) {
    QJsonArray array;
    const datafile::Read read = datafile::read(filename(name), &array);
    locked = read == datafile::Read::Refused;
    base = texts(array);
    entries += base;
    ownFrom = int(entries.size());
    if (read != datafile::Read::Loaded)
        return false;
    modified = false;
    current = entries.size();
    return true;
}
