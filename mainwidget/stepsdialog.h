#pragma once

#include "at/steprunner.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

#include <functional>

class ExchangeView;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Edits, opens and saves a step file in kelvra-at's format and runs it on the window's port,
// every step an exchange of the view.
class StepsDialog : public QDialog {
    Q_OBJECT
public:
    // open: opens the chosen port as a send of the user's does; the status that says why
    // not when it cannot, else empty.
    StepsDialog(at::Client* client, ExchangeView* view, std::function<QString()> open,
                QWidget* parent = nullptr);

    bool running() const { return m_runner != nullptr; }
    void run();
    void stop();
    // False with the reason in *error: not a regular file, too big, unreadable.
    bool load(const QString& path, QString* error);

    static constexpr qint64 max_file_size = 16 * 1024 * 1024;

signals:
    // The run's one line for the log.
    void finished(const QString& summary, bool ok);

private:
    void setStatus(const QString& text);
    void stepEnded(const at::StepRecord& record);
    void end();

    at::Client* m_client;
    ExchangeView* m_view;
    std::function<QString()> m_open;
    QPlainTextEdit* m_edit;
    QCheckBox* m_keepGoing;
    QPushButton* m_run;
    QPushButton* m_stop;
    QLabel* m_status;
    QPointer<at::StepRunner> m_runner;
    QList<at::Step> m_steps;
    int m_ok = 0;
    int m_failed = 0;
    bool m_stopped = false;
    QString m_firstFailure;
    QString m_invalid;
    QElapsedTimer m_clock;
};
