#pragma once

#include "at/line.h"
#include "mainwidget/linedialog.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QLabel;
class QTimer;

namespace at {
class Client;
}

// The line as the user sets it beyond port and rate: its shape and the command line ending
// (the "Line settings..." dialog), the DTR and RTS switches and their pulse. It applies them
// to the client's port at once and at each open, and keeps them with the window settings.
class LineControl : public QObject {
    Q_OBJECT
public:
    LineControl(QWidget* window, at::Client* client);

    // For the window's menu, in order; null stands for a separator.
    QList<QAction*> actions() const;
    // The line's shape for the toolbar, shown while it is not the default.
    QLabel* shapeLabel() const { return m_label; }
    void save() const;

signals:
    void entry(const QString& text, const QColor& color);

private:
    void openDialog();
    void onDialogChanged();
    void onOpened();
    void onClosed();
    void switchLine(at::ControlLine line, bool on);
    void openPulse();
    void startPulse(PulseDialog::Lines lines, int ms);
    // Sets the lines whose time has come and waits for the next; false after one failed.
    bool pulseStep();
    // False after telling why the line could not be set.
    bool tellControlLine(bool done, at::ControlLine line, const QString& error);
    void update();

    QWidget* m_window;
    at::Client* m_client;
    at::LineSettings m_line;
    QAction* m_dialogAction;
    QAction* m_dtr;
    QAction* m_rts;
    QAction* m_pulseAction;
    QLabel* m_label;
    QPointer<LineDialog> m_dialog;
    PulseDialog::Lines m_pulseLines = PulseDialog::Dtr;
    int m_pulseMs = 100;
    // The pulse's steps still to come.
    QList<at::PulseStep> m_steps;
    QTimer* m_pulseTimer;
    // The port whose lack of control lines has been told.
    QString m_noLinesTold;
};
