#pragma once

#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>

#include <deque>

class QAction;
class QContextMenuEvent;
class QKeyEvent;

// The read-only traffic log; its context menu adds "Clear".
class LogEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit LogEdit(QWidget* parent = nullptr);
    ~LogEdit() override;

    // A cursor at the end of the log for appending. Entries appended through it before
    // control is back in the event loop share one edit block, so a burst of received lines
    // is laid out and shown once, not once per line.
    QTextCursor& appendCursor();

    // Scrolls to the text cursor once the entries appended so far are laid out, before the
    // log is painted: a burst of entries costs one scroll.
    void followEnd();

    // Closes the open edit block (and makes a pending trim and scroll) now.
    void settle();

    // Where text typed while the log has the focus goes, with the focus.
    void setTypingTarget(QWidget* target) { m_typingTarget = target; }

    // The log keeps the newest entries only. Removing text from the top moves the layout of
    // all the rest, so it is done in chunks: once the log holds twice this bound, the oldest
    // half is dropped, each entry whole.
    static constexpr int default_max_entries = 40000;
    int maxEntries() const { return m_maxEntries; }
    void setMaxEntries(int count);

    // Counts the entry just appended: length document positions at the end.
    void entryAppended(int length);

    // Entries of the context menu after "Clear".
    void addMenuActions(const QList<QAction*>& actions) { m_menuActions += actions; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scheduleSettle();
    void trim();

    QAction* m_clearAction = nullptr;
    QList<QAction*> m_menuActions;
    QPointer<QWidget> m_typingTarget;
    QTextCursor m_append;
    bool m_appending = false;
    bool m_follow = false;
    bool m_settlePending = false;

    std::deque<int> m_entries; // the length of each entry in the log, oldest first
    qint64 m_entriesLength = 0;
    int m_maxEntries = default_max_entries;
    bool m_trimDue = false;
};
