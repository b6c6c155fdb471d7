#pragma once

#include <QString>
#include <QStringList>

// Lines taken from the input line, oldest first, kept in history.json.
class InputHistory {
public:
    static constexpr int maxEntries = 1000;

    // Empty name: history.json in the user data directory; an existing file
    // is used as given; any other name is resolved in the user data directory.
    static QString filename(const QString& name = QString());

    QString get(int index);
    void add(const QString& text);
    bool save(const QString& name = QString());
    bool restore(const QString& name = QString());

    QStringList entries;
    int current = -1;
    bool modified = false;
    // The file is there but was not read (too big, unreadable, not a JSON array): saving
    // must not replace it.
    bool locked = false;
    // What the file held when last read or written, and where this run's own entries begin:
    // a file another window wrote since keeps its entries, this run's follow them.
    QStringList base;
    int ownFrom = 0;
};
