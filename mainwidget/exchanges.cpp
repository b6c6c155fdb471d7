#include "at/client.h"
#include "at/hexdump.h"
#include "mainwidget/baudfinder.h"
#include "mainwidget/exchangeview.h"
#include "mainwidget/filesender.h"
#include "mainwidget/linesender.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/stepsdialog.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>

void MainWidget::createExchangeActions() {
    m_exchangeView = new ExchangeView(m_client, [this]() -> qint64 {
        // An entry held while the log is paused has no place in it yet.
        if (m_sessionActive && (m_paused || !m_held.empty()))
            return -1;
        return m_logEdit->lastEntry();
    });
    m_exchangeView->hide();
    if (auto* logSplitter = qobject_cast<QSplitter*>(m_logEdit->parentWidget()))
        logSplitter->addWidget(m_exchangeView);
    connect(m_exchangeView, &ExchangeView::entryWanted, this, &MainWidget::showExchangeEntry);

    m_menu->addSeparator();
    m_exchangesAction = createSwitch(QStringLiteral("exchanges"), tr("Exchanges"), false);
    connect(m_exchangesAction, &QAction::toggled, m_exchangeView, &ExchangeView::setVisible);
    m_exchangeView->setVisible(m_exchangesAction->isChecked());
    m_markFailedAction =
        createSwitch(QStringLiteral("mark-failed"), tr("Mark failed answers"), false);
    m_menu->addActions({m_exchangesAction, m_markFailedAction});

    auto* stepsAction = new QAction(tr("Run steps..."), this);
    stepsAction->setObjectName(QStringLiteral("run-steps"));
    connect(stepsAction, &QAction::triggered, this, [this] {
        if (!m_stepsDialog) {
            m_stepsDialog = new StepsDialog(
                m_client, m_exchangeView,
                [this] {
                    // Their bytes and answers would mix with the steps'.
                    if (m_client->busy() || m_fileSender->isSending() ||
                        m_baudFinder->isRunning() || m_lineSender->isPasting())
                        return StepsDialog::tr(
                            "Not run: wait until the running exchange has ended");
                    return openChosenPort(Opener::User)
                               ? QString()
                               : StepsDialog::tr("Not run: the port cannot be opened");
                },
                this);
            connect(m_stepsDialog, &StepsDialog::finished, this,
                    [this](const QString& summary, bool) {
                        insertTextToLog(QString(), summary + QStringLiteral("\r\n"),
                                        QColor(Qt::darkGray));
                    });
        }
        m_stepsDialog->show();
        m_stepsDialog->raise();
    });
    m_menu->addAction(stepsAction);
}

bool MainWidget::stepsRunning() const {
    return m_stepsDialog && m_stepsDialog->running();
}

void MainWidget::showExchangeEntry(qint64 logPosition, const QString& command) {
    // Held still, as while finding, or the next entry would take the view back to the end.
    m_pauseAction->setChecked(true);
    // Shown as hex, the entry's first row holds the command's first bytes.
    QByteArray first = command.toLocal8Bit();
    first.truncate(at::hex_row_bytes);
    const QString hexRow = at::hexText(first).section(QStringLiteral("  "), 0, 0);
    if (!m_logEdit->selectEntry(logPosition, QStringLiteral("<< ") + command) &&
        !m_logEdit->selectEntry(logPosition, QStringLiteral("<< ") + hexRow))
        m_exchangeView->setNote(tr("The entry of %1 is no longer in the log").arg(command));
    else
        m_exchangeView->setNote(QString());
}
