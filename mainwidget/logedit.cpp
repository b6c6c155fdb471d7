#include "mainwidget/logedit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {}

LogEdit::~LogEdit() {
    if (m_appending)
        m_append.endEditBlock();
}

QTextCursor& LogEdit::appendCursor() {
    if (!m_appending) {
        // Made afresh for each burst: the log may have been cleared in between.
        m_append = QTextCursor(document());
        m_append.movePosition(QTextCursor::End);
        m_append.beginEditBlock();
        m_appending = true;
        scheduleSettle();
    }
    return m_append;
}

void LogEdit::followEnd() {
    m_follow = true;
    scheduleSettle();
}

void LogEdit::settle() {
    if (m_appending) {
        m_appending = false;
        m_append.endEditBlock();
    }
    // In an edit block of its own: sharing one with the appended entries would lay out the
    // whole log again, not just move it up.
    if (m_trimDue)
        trim();
    if (m_follow) {
        m_follow = false;
        ensureCursorVisible();
    }
}

void LogEdit::scheduleSettle() {
    if (m_settlePending)
        return;
    m_settlePending = true;
    QTimer::singleShot(0, this, [this] {
        m_settlePending = false;
        settle();
    });
}

void LogEdit::setMaxEntries(int count) {
    m_maxEntries = qMax(1, count);
}

void LogEdit::entryAppended(int length) {
    m_entries.push_back(length);
    m_entriesLength += length;
    if (!m_trimDue && m_entries.size() >= 2 * size_t(m_maxEntries)) {
        m_trimDue = true;
        scheduleSettle();
    }
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
    const QTextCursor view = textCursor();
    QTextCursor top(document());
    top.setPosition(int(cut), QTextCursor::KeepAnchor);
    top.removeSelectedText();
    // The entry that made the log full already put the view at the end: keep it there.
    if (!view.hasSelection() && view.atEnd())
        ensureCursorVisible();
}

void LogEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    if (!m_clearAction) {
        m_clearAction = new QAction(QCoreApplication::translate("MainWidget", "Clear"), this);
        connect(m_clearAction, &QAction::triggered, this, [this] {
            settle();
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
