#pragma once

#include "usercommands/usercommand.h"

#include <QJsonArray>
#include <QList>
#include <QObject>

// The program-wide ordered list of user commands and its file user_commands.json.
// Every insertion and removal is announced by a before and an after signal.
class UserCommands : public QObject {
    Q_OBJECT

public:
    static UserCommands _self;

    ~UserCommands() override;

    int size() const { return commands.size(); }
    // index must lie within the list
    UserCommand& command(int index) const { return *commands.at(index); }
    bool isModified() const { return modified; }

    int append();
    // Ignores a range that does not lie inside the list.
    void removeRange(int index, int count);
    void remove(int index);
    // Positions refer to the list before the call; duplicates and positions outside
    // the list are ignored. One willRemove/wasRemove pair per run of consecutive
    // positions, highest run first.
    void remove(const QList<int>& rows);

    // Writes the file only when the list changed. Returns false when the file could not
    // be written, or was there but could not be read at restore or now; the old file then
    // stays as it was and the list stays marked as changed. A file that another window
    // wrote since it was read is merged: its additions and changes stay, this list's own
    // changes apply on top, and the list then holds the merged commands.
    bool save();
    void restore();

signals:
    void sendCommand(const QString& command);
    void willInsert(int index);
    void wasInsert(int index, UserCommand& command);
    void willRemove(int index, int count);
    void wasRemove(int index, int count);

private:
    friend class UserCommand;

    UserCommands();
    void insert(UserCommand* command);
    QJsonArray merged(const QJsonArray& now) const;
    void adopt(const QJsonArray& array);

    QList<UserCommand*> commands;
    bool modified = false;
    // The file is there but was not read (too big, unreadable, not a JSON array): saving
    // must not replace it.
    bool locked = false;
    // The file's content when last read or written.
    QJsonArray base;
};
