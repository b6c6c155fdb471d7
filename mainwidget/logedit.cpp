#include "mainwidget/logedit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {}

LogEdit::~LogEdit() = default;

void LogEdit::followEnd() {
    if (m_followPending)
        return;
    m_followPending = true;
    QTimer::singleShot(0, this, [this] {
        m_followPending = false;
        ensureCursorVisible();
    });
}

void LogEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    if (!m_clearAction) {
        m_clearAction = new QAction(QCoreApplication::translate("MainWidget", "Clear"), this);
        connect(m_clearAction, &QAction::triggered, this, &QTextEdit::clear);
    }
    menu->addAction(m_clearAction);
    menu->exec(event->globalPos());
    delete menu;
}
