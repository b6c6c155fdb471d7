#include "input/inputedit.h"

#include <QKeyEvent>

InputEdit::InputEdit(QWidget* parent)
    : QLineEdit(parent) {
    history.restore();
}

InputEdit::~InputEdit() {
    history.save();
}

QString InputEdit::input() {
    const QString text = QLineEdit::text();
    clear();
    history.add(text);
    return text;
}

void InputEdit::set(const QString& text) {
    if (!text.isEmpty())
        setText(text);
}

void InputEdit::keyReleaseEvent(QKeyEvent* event) {
    int step = 0;
    if (event->key() == Qt::Key_Up)
        step = -1;
    else if (event->key() == Qt::Key_Down)
        step = 1;
    if (step == 0) {
        QLineEdit::keyReleaseEvent(event);
        return;
    }
    const QString text = history.get(history.current + step);
    if (!text.isEmpty())
        setText(text);
    event->accept();
}
