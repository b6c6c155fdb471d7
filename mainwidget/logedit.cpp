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
