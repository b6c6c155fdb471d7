#include "mainwidget/logedit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {}

LogEdit::~LogEdit() = default;

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
