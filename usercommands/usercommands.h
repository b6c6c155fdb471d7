#pragma once

#include "usercommands/usercommand.h"

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
    // be written, or was there but could not be read at restore; the old file then stays
    // as it was and the list stays marked as changed.
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

    QList<UserCommand*> commands;
    bool modified = false;
    // The file is there but was not read (too big, unreadable, not a JSON array): saving
    // must not replace it.
    bool locked = false;
};
