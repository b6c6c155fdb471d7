#include "input/inputhistory.h"

#include "app/dir.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

// No real history comes near this; anything bigger is not read at all, so a
// stray binary or runaway file cannot stall the start-up.
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

    // Written aside and renamed over the old file, so a failed or interrupted
    // write leaves the previous history whole.
    QSaveFile file(filename(name));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QJsonArray array;
    for (const QString& entry : std::as_const(entries))
        array.append(entry);
    const QByteArray text = QJsonDocument(array).toJson(QJsonDocument::Indented);
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    modified = false;
    return true;
}

bool InputHistory::restore(const QString& name) {
    QFile file(filename(name));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonArray array;
    if (file.size() <= maxFileSize) {
        const QByteArray text = readBounded(file, maxFileSize);
        if (text.size() <= maxFileSize)
            array = QJsonDocument::fromJson(text).array();
    }
    file.close();

    for (const QJsonValue& value : std::as_const(array)) {
        const QString text = value.toString();
        if (!text.isEmpty())
            entries.append(text);
    }
    modified = false;
    current = entries.size();
    return true;
}
