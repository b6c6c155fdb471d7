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

    // Scrolls to the text cursor once control is back in the event loop, so a burst of
    // entries costs one scroll, made before the log is painted.
    void followEnd();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QAction* m_clearAction = nullptr;
    bool m_followPending = false;
};
