#include "mainwidget/baudfinder.h"

#include "mainwidget/filesender.h"
#include "mainwidget/linesender.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/progressbox.h"
#include "widgets/serialport/baudratecombo.h"

#include <QAction>

BaudFinder::BaudFinder(MainWidget* window)
    : QObject(window)
    , m_window(window)
    , m_action(new QAction(MainWidget::tr("Find baud rate"), this)) {
    m_action->setObjectName(QStringLiteral("find-baud"));
    connect(m_action, &QAction::triggered, this, &BaudFinder::start);
}

void BaudFinder::start() {
    if (isRunning())
        return;
    const auto refuse = [this](const QString& why) {
        m_window->insertTextToLog(QString(), why, QColor(Qt::red));
    };
    if (m_window->m_client->busy() || m_window->m_fileSender->isSending() ||
        m_window->m_lineSender->isPasting() || m_window->stepsRunning()) {
        refuse(MainWidget::tr("Not searched: wait until the running exchange has ended\r\n"));
        return;
    }
    // Only the port the user chose is probed, as a command would be sent.
    if (m_window->refuseGonePort(MainWidget::Opener::User)) {
        return;
    }
    if (!m_window->openChosenPort(MainWidget::Opener::User))
        return;

    QList<qint32> available;
    auto* combo = m_window->m_baudrateCombo;
    for (int i = 0; i < combo->count(); ++i)
        available.append(combo->itemData(i).toInt());
    delete m_search;
    m_search =
        new at::BaudSearch(m_window->m_client, at::baudSearchOrder(available), m_waitMs, this);
    m_box = new ProgressBox(QStringLiteral("find-baud-progress"), m_window);
    m_box->setRange(0, int(m_search->rates().size()));
    connect(m_box, &QDialog::rejected, m_search, &at::BaudSearch::cancel);
    connect(m_search, &at::BaudSearch::trying, m_box, [this](int index, qint32 rate) {
        m_box->setValue(index);
        m_box->setLabelText(MainWidget::tr("Trying %1 baud").arg(rate));
    });
    connect(m_search, &at::BaudSearch::finished, this, &BaudFinder::onFinished);
    m_box->show();
    m_search->start();
}

void BaudFinder::onFinished(at::BaudSearch::Outcome outcome, qint32 rate) {
    if (m_box) {
        m_box->hide();
        m_box->deleteLater();
    }
    const QColor note(Qt::darkGray);
    switch (outcome) {
    case at::BaudSearch::Found:
        m_window->m_baudrateCombo->setBaudrate(rate);
        m_window->insertTextToLog(
            QString(), MainWidget::tr("The module answers at %1 baud\r\n").arg(rate), note);
        break;
    case at::BaudSearch::NoAnswer:
        m_window->insertTextToLog(QString(),
                                  MainWidget::tr("No rate answered: %n rates tried\r\n", nullptr,
                                                 int(m_search->rates().size())),
                                  QColor(Qt::red));
        break;
    case at::BaudSearch::Cancelled:
        m_window->insertTextToLog(QString(), MainWidget::tr("Baud rate search cancelled\r\n"),
                                  note);
        break;
    case at::BaudSearch::PortFailed:
        m_window->insertTextToLog(QString(),
                                  MainWidget::tr("Baud rate search stopped: the port failed\r\n"),
                                  QColor(Qt::red));
        break;
    }
}
