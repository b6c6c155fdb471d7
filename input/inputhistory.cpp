#include "input/inputhistory.h"

#include "app/datafile.h"
#include "app/dir.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

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
    if (entries.size() > maxEntries) {
        entries.erase(entries.begin(), entries.begin() + (entries.size() - maxEntries));
        current = maxEntries;
    }

    if (locked)
        return false;
    QJsonArray array;
    for (const QString& entry : std::as_const(entries))
        array.append(entry);
    if (!datafile::write(filename(name), QJsonDocument(array).toJson(QJsonDocument::Indented)))
        return false;
    modified = false;
    return true;
}

bool InputHistory::restore(const QString& name) {
    QJsonArray array;
    const datafile::Read read = datafile::read(filename(name), &array);
    locked = read == datafile::Read::Refused;
    if (read != datafile::Read::Loaded)
        return false;
    for (const QJsonValue& value : std::as_const(array)) {
        const QString text = value.toString();
        if (!text.isEmpty())
            entries.append(text);
    }
    modified = false;
    current = entries.size();
    return true;
}
