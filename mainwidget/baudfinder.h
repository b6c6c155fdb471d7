#pragma once

#include "at/baudsearch.h"

#include <QObject>
#include <QPointer>

class MainWidget;
class ProgressBox;
class QAction;

// "Find baud rate": the search over the chooser's rates on the user's port, with its progress,
// the rate found selected in the chooser.
class BaudFinder : public QObject {
    Q_OBJECT
public:
    explicit BaudFinder(MainWidget* window);

    QAction* action() const { return m_action; }
    bool isRunning() const { return m_search && m_search->isRunning(); }
    // The wait for OK at each rate, above the time the line takes to carry AT and OK.
    void setWait(int ms) { m_waitMs = ms; }
    void start();

private:
    void onFinished(at::BaudSearch::Outcome outcome, qint32 rate);

    MainWidget* m_window;
    QAction* m_action;
    at::BaudSearch* m_search = nullptr;
    QPointer<ProgressBox> m_box;
    int m_waitMs = 300;
};
