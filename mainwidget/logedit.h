#pragma once

#include <QTextEdit>

class QAction;
class QContextMenuEvent;

// The read-only traffic log; its context menu adds "Clear".
class LogEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit LogEdit(QWidget* parent = nullptr);
    ~LogEdit() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QAction* m_clearAction = nullptr;
};
