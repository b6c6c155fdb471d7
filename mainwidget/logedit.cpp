#include "mainwidget/logedit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCharFormat>

namespace {

// Unshaped, a control character is drawn as nothing (shaped, as a box), a combining mark
// beside its letter and Arabic without its joins. Below the combining marks every other
// character looks the same either way.
bool needsShaping(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x300 || (u < 0x20 && u != u'\n' && u != u'\r' && u != u'\t') ||
            (u >= 0x7f && u < 0xa0))
            return true;
    }
    return false;
}

} // namespace

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &LogEdit::flush);
}

LogEdit::~LogEdit() {
    if (m_appending)
        m_append.endEditBlock();
}

void LogEdit::appendEntry(const QString& prefix, const QString& text, const QColor& color,
                          const QString& time) {
    const QTextCursor view = textCursor();
    if (view.hasSelection() || !view.atEnd()) {
        // Laid out first, so the view can be put at the end at once.
        flush();
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
    }
    // The view's cursor, resting at the end, travels with the text inserted there.
    QTextCursor& cursor = appendCursor();
    const int start = cursor.position();
    if (!time.isEmpty()) {
        QTextCharFormat timeFormat;
        timeFormat.setForeground(QBrush(Qt::gray));
        cursor.insertText(time, timeFormat);
    }
    if (!prefix.isEmpty()) {
        QTextCharFormat prefixFormat;
        prefixFormat.setForeground(QBrush(Qt::black));
        cursor.insertText(prefix, prefixFormat);
    }
    QTextCharFormat textFormat;
    textFormat.setForeground(QBrush(color));
    if (needsShaping(text))
        textFormat.setFontStyleStrategy(QFont::PreferDefault);
    cursor.insertText(text, textFormat);
    entryAppended(cursor.position() - start);
}

QTextCursor& LogEdit::appendCursor() {
    if (!m_appending) {
        // Made afresh for each frame: the log may have been cleared in between.
        m_append = QTextCursor(document());
        m_append.movePosition(QTextCursor::End);
        m_append.beginEditBlock();
        m_appending = true;
        const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : frame_ms;
        m_frame.start(int(qMax<qint64>(0, frame_ms - since)));
    }
    return m_append;
}

void LogEdit::flush() {
    m_frame.stop();
    m_sinceFlush.start();
    if (!m_appending)
        return;
    m_appending = false;
    m_append.endEditBlock();
    // In an edit block of its own: sharing one with the appended entries would lay out the
    // whole log again, not just move it up.
    if (m_trimDue)
        trim();
    ensureCursorVisible();
}

void LogEdit::setMaxEntries(int count) {
    m_maxEntries = qMax(1, count);
}

void LogEdit::entryAppended(int length) {
    m_entries.push_back(length);
    m_entriesLength += length;
    if (m_entries.size() >= 2 * size_t(m_maxEntries))
        m_trimDue = true;
}

void LogEdit::trim() {
    m_trimDue = false;
    const qint64 length = document()->characterCount() - 1;
    // "Clear" left only the entries appended since; text that came in some other way counts
    // as one entry, so a trim still ends on an entry boundary.
    while (m_entriesLength > length && !m_entries.empty()) {
        m_entriesLength -= m_entries.front();
        m_entries.pop_front();
    }
    if (m_entriesLength < length) {
        m_entries.push_front(int(length - m_entriesLength));
        m_entriesLength = length;
    }
    if (m_entries.size() <= size_t(m_maxEntries))
        return;
    qint64 cut = 0;
    while (m_entries.size() > size_t(m_maxEntries)) {
        cut += m_entries.front();
        m_entries.pop_front();
    }
    m_entriesLength -= cut;
    QTextCursor top(document());
    top.setPosition(int(cut), QTextCursor::KeepAnchor);
    top.removeSelectedText();
}

void LogEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    if (!m_clearAction) {
        m_clearAction = new QAction(QCoreApplication::translate("MainWidget", "Clear"), this);
        connect(m_clearAction, &QAction::triggered, this, [this] {
            flush();
            clear();
        });
    }
    menu->addAction(m_clearAction);
    if (!m_menuActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_menuActions);
    }
    menu->exec(event->globalPos());
    delete menu;
}

void LogEdit::keyPressEvent(QKeyEvent* event) {
    // As in a terminal, typing goes on in the input line; shortcuts (copy, select all) and
    // the navigation keys stay with the log.
    const QString text = event->text();
    const bool typed =
        !text.isEmpty() && text.front().isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!typed || !m_typingTarget) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    m_typingTarget->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_typingTarget, event);
}
