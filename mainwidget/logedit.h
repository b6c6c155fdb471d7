#pragma once

#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>

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

    // Closes the open edit block (and makes a pending scroll) now.
    void settle();

    // Where text typed while the log has the focus goes, with the focus.
    void setTypingTarget(QWidget* target) { m_typingTarget = target; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scheduleSettle();

    QAction* m_clearAction = nullptr;
    QPointer<QWidget> m_typingTarget;
    QTextCursor m_append;
    bool m_appending = false;
    bool m_follow = false;
    bool m_settlePending = false;
};
