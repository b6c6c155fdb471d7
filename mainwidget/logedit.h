#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <deque>

class QAction;
class QContextMenuEvent;
class QMimeData;
class QKeyEvent;
class QMouseEvent;

// The read-only traffic log; its context menu adds "Clear".
//
// Entries enter the document at once, in order, but are laid out and painted at most once a
// frame: between two frames they share one edit block, which keeps the layout from seeing
// them. Laying out a burst of lines once instead of once per event-loop pass is most of what
// it costs to keep up with a fast line.
//
// Its document has a layout of its own (LogLayout), which lays out only what is seen; its
// lineCount() counts pixels of height, not lines.
class LogEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit LogEdit(QWidget* parent = nullptr);
    ~LogEdit() override;

    // Appends one entry at the end: the time and the prefix (when not empty) in grey and black,
    // then the text in color. A selection or a cursor the user moved is dropped and the view
    // follows the end again, unless the log stays where the user scrolled.
    void appendEntry(const QString& prefix, const QString& text, const QColor& color,
                     const QString& time = QString());

    // Lays out and shows everything appended so far now, also what waits for later frames:
    // trims to the bound and scrolls to the end.
    void flush();

    // The text as shown and as a copy gives it: line ends as line feeds, without the breaks
    // the log makes inside a long line. (QTextEdit's own keeps those.)
    QString toPlainText() const;

    // Where text typed while the log has the focus goes, with the focus.
    void setTypingTarget(QWidget* target) { m_typingTarget = target; }

    // The log keeps the newest entries only, each whole. Removing text from the top moves the
    // layout of all the rest, so it is done in chunks: once the log holds twice as many entries
    // or characters as these bounds, the oldest are dropped down to both. The characters keep
    // the laid-out height far below 2^23 pixels, where the layout's fixed-point arithmetic
    // overflows and it no longer ends, even with the log at its narrowest (about 3 pixels of
    // height a character) and its text random.
    static constexpr int default_max_entries = 40000;
    static constexpr qint64 default_max_characters = 800000;
    int maxEntries() const { return m_maxEntries; }
    void setMaxEntries(int count);
    qint64 maxCharacters() const { return m_maxCharacters; }
    void setMaxCharacters(qint64 count);

    // How long appended entries may wait for their layout.
    static constexpr int frame_ms = 33;
    // How many characters a frame may gather before it is laid out at once. A busy event loop
    // runs timers late, so under a flood a frame took in far more than 33 ms of entries, and
    // laying them out in a narrow window stalled it for over 120 ms. 300,000 keep that below
    // 90 ms; fewer make line noise slower (each frame repaints glyphs of many fonts).
    static constexpr int frame_characters = 300000;
    // Text in long runs (a binary block, a line without end) lays out at several times the cost
    // a character of short lines has: a frame takes in at most this much of it.
    static constexpr int frame_run_characters = 16384;

    // Lines share a block in runs of this many, parted by line separators (U+2028), which the
    // plain text and every copy turn into line feeds. Most of the layout's cost is per block:
    // inserting one, laying it out, and moving the rest when the top is trimmed.
    static constexpr int lines_per_block = 16;
    // A block holds at most this many characters: text without line ends goes on in a new
    // block, marked so that copies and the plain text leave that break out. The layout of a
    // block is redone whole at every change to it, and wrapping text without break points
    // costs far more than its length, so a long line in one block stalled the window for
    // seconds, and more with every piece that was added to it.
    static constexpr int block_characters = 2048;

    // Entries dropped at the bound since the start or the last "Clear".
    qint64 dropped() const { return m_dropped; }

    // The number of the entry last appended, counted from the start of the log's life (so it
    // outlives trims and "Clear"); -1 before any.
    qint64 lastEntry() const { return m_serial - 1; }
    // Selects the first line of that entry if it is still in the log and holds text; false
    // when it is not.
    bool selectEntry(qint64 entry, const QString& text);

    // A view scrolled back from the end, or a selection, stays where it is while entries come;
    // back at the end the view follows again. Off: every entry brings the view to the end.
    void setStayWhereScrolled(bool stay) { m_stayWhereScrolled = stay; }

    // Entries of the context menu after "Clear".
    void addMenuActions(const QList<QAction*>& actions) { m_menuActions += actions; }

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // An entry on its way in; a long one goes in over several frames.
    struct Pending {
        QString time;
        QString prefix;
        QString text;
        QColor color;
        qsizetype done = -1; // characters of text in the document, -1: nothing of it yet
        bool shaped = false;
        qint64 serial = -1;
    };

    // The view goes to the end with what is appended.
    bool followsEnd() const;
    QTextCursor& appendCursor();
    // Puts waiting entries into the document, a frame's worth at a time.
    void drain();
    void startEntry(Pending& entry);
    // Inserts text with its line ends (LF, CR LF, a lone CR) as line separators or block
    // ends, and long runs parted into blocks; returns the characters the document grew by.
    int insertLines(QStringView text, const QTextCharFormat& format);
    int breakBlock(bool continued);
    void endFrame();
    void dropPending();
    void trim();
    QString textBetween(int start, int end) const;

    QAction* m_clearAction = nullptr;
    QList<QAction*> m_menuActions;
    QPointer<QWidget> m_typingTarget;
    QTextCursor m_append;
    bool m_appending = false;
    QTimer m_frame;
    QElapsedTimer m_sinceFlush;
    int m_blockLines = 0;         // line ends in the last block
    int m_blockLength = 0;        // and its characters
    bool m_lineRtl = false;       // the last line has right-to-left letters
    bool m_lineStarts = true;     // the document ends with a line end
    bool m_separatorLast = false; // it is a line separator
    QTimer m_next;                // the next frame's worth of waiting entries, after other events
    std::deque<Pending> m_pending;
    qint64 m_pendingLength = 0;
    qint64 m_dropped = 0;
    int m_noteLength = 0; // of the note at the top that tells the dropped entries
    int m_frameCharacters = 0;
    int m_frameRunCharacters = 0;
    QTextCharFormat m_timeFormat;
    QTextCharFormat m_prefixFormat;
    QColor m_textColor; // invalid until the first entry
    QTextCharFormat m_textFormat;
    QTextCharFormat m_shapedFormat;
    QElapsedTimer m_doubleClick;
    QPoint m_doubleClickAt;

    std::deque<int> m_entries; // the length of each entry in the log, oldest first
    qint64 m_entriesLength = 0;
    int m_maxEntries = default_max_entries;
    qint64 m_maxCharacters = default_max_characters;
    bool m_trimDue = false;
    std::deque<qint64> m_entrySerials; // the number of each entry in m_entries, -1: a note
    qint64 m_serial = 0;               // of the next entry appended
    bool m_stayWhereScrolled = false;
    bool m_atEnd = true; // the user left the view at the end
};
