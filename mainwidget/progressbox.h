#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// A modal progress with Cancel that leaves the event loop alone: setting its value runs no
// pending events, unlike a modal QProgressDialog, so the work behind it is never re-entered.
class ProgressBox : public QDialog {
    Q_OBJECT
public:
    ProgressBox(const QString& name, QWidget* parent);

    void setLabelText(const QString& text);
    void setRange(int minimum, int maximum);
    void setValue(int value);
    int value() const;
    int maximum() const;
    QString labelText() const;

private:
    QLabel* m_label;
    QProgressBar* m_bar;
};
