#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <deque>

class QAction;
class QContextMenuEvent;
class QKeyEvent;

// The read-only traffic log; its context menu adds "Clear".
//
// Entries enter the document at once, in order, but are laid out and painted at most once a
// frame: between two frames they share one edit block, which keeps the layout from seeing
// them. Laying out a burst of lines once instead of once per event-loop pass is most of what
// it costs to keep up with a fast line.
class LogEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit LogEdit(QWidget* parent = nullptr);
    ~LogEdit() override;

    // Appends one entry at the end: the time and the prefix (when not empty) in grey and black,
    // then the text in color. A selection or a cursor the user moved is dropped and the view
    // follows the end again.
    void appendEntry(const QString& prefix, const QString& text, const QColor& color,
                     const QString& time = QString());

    // Lays out and shows what was appended since the last frame now: trims to the bound and
    // scrolls to the end.
    void flush();

    // Where text typed while the log has the focus goes, with the focus.
    void setTypingTarget(QWidget* target) { m_typingTarget = target; }

    // The log keeps the newest entries only. Removing text from the top moves the layout of
    // all the rest, so it is done in chunks: once the log holds twice this bound, the oldest
    // half is dropped, each entry whole.
    static constexpr int default_max_entries = 40000;
    int maxEntries() const { return m_maxEntries; }
    void setMaxEntries(int count);

    // How long appended entries may wait for their layout.
    static constexpr int frame_ms = 33;

    // Entries of the context menu after "Clear".
    void addMenuActions(const QList<QAction*>& actions) { m_menuActions += actions; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextCursor& appendCursor();
    void entryAppended(int length);
    void trim();

    QAction* m_clearAction = nullptr;
    QList<QAction*> m_menuActions;
    QPointer<QWidget> m_typingTarget;
    QTextCursor m_append;
    bool m_appending = false;
    QTimer m_frame;
    QElapsedTimer m_sinceFlush;

    std::deque<int> m_entries; // the length of each entry in the log, oldest first
    qint64 m_entriesLength = 0;
    int m_maxEntries = default_max_entries;
    bool m_trimDue = false;
};
