#pragma once

#include "input/inputhistory.h"

#include <QLineEdit>

// The command line under the log; Up and Down walk the history on release.
class InputEdit : public QLineEdit {
public:
    explicit InputEdit(QWidget* parent = nullptr);
    ~InputEdit() override;

    // Takes the text out of the line into the history.
    QString input();
    void set(const QString& text);

    InputHistory history;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};
