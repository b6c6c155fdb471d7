#include "mainwidget/exchangeview.h"

#include "app/datafile.h"
#include "at/client.h"
#include "at/exchange.h"
#include "mainwidget/commandsummary.h"
#include "mainwidget/exchangemodel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString csvField(QString text) {
    if (!text.contains(u'"') && !text.contains(u',') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

QTableView* table(const QString& name, QAbstractItemModel* model) {
    auto* view = new QTableView;
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace

ExchangeView::ExchangeView(at::Client* client, std::function<qint64()> logPosition, QWidget* parent)
    : QWidget(parent)
    , m_client(client)
    , m_logPosition(std::move(logPosition))
    , m_rows(new ExchangeModel(this))
    , m_summary(new CommandSummary(this))
    , m_rowFilter(new QSortFilterProxyModel(this))
    , m_summaryFilter(new QSortFilterProxyModel(this))
    , m_tabs(new QTabWidget)
    , m_failuresOnly(new QCheckBox(tr("Failures only")))
    , m_note(new QLabel) {
    setObjectName(QStringLiteral("exchanges"));
    for (QSortFilterProxyModel* filter : {m_rowFilter, m_summaryFilter}) {
        filter->setFilterRole(ExchangeModel::FailedRole);
        filter->setFilterKeyColumn(0);
    }
    m_rowFilter->setSourceModel(m_rows);
    m_summaryFilter->setSourceModel(m_summary);
    m_rowView = table(QStringLiteral("exchange-rows"), m_rowFilter);
    m_summaryView = table(QStringLiteral("exchange-summary"), m_summaryFilter);
    m_tabs->addTab(m_rowView, tr("Exchanges"));
    m_tabs->addTab(m_summaryView, tr("Summary"));
    m_tabs->setDocumentMode(true);

    m_failuresOnly->setObjectName(QStringLiteral("failures-only"));
    auto* copyButton = new QPushButton(tr("Copy"));
    copyButton->setObjectName(QStringLiteral("exchanges-copy"));
    auto* exportButton = new QPushButton(tr("Export CSV..."));
    exportButton->setObjectName(QStringLiteral("exchanges-export"));
    m_note->setObjectName(QStringLiteral("exchanges-note"));
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(m_failuresOnly, 0);
    bar->addWidget(m_note, 1);
    bar->addWidget(copyButton, 0);
    bar->addWidget(exportButton, 0);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar, 0);
    layout->addWidget(m_tabs, 1);
    setLayout(layout);

    connect(m_failuresOnly, &QCheckBox::toggled, this, [this](bool only) {
        const QString pattern = only ? QStringLiteral("^1$") : QString();
        m_rowFilter->setFilterRegularExpression(pattern);
        m_summaryFilter->setFilterRegularExpression(pattern);
    });
    connect(m_rows, &ExchangeModel::droppedChanged, this, &ExchangeView::updateNote);
    connect(copyButton, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(csv()); });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(),
                                                          tr("CSV files (*.csv);;All files (*)"));
        if (path.isEmpty())
            return;
        QString error;
        setNote(exportCsv(path, &error) ? tr("Exported to %1").arg(path)
                                        : tr("Not exported: %1: %2").arg(path, error));
    });
    connect(m_rowView, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        emit entryWanted(index.data(ExchangeModel::LogPositionRole).toLongLong(),
                         index.data(ExchangeModel::CommandRole).toString());
    });
}

void ExchangeView::setVisible(bool visible) {
    QWidget::setVisible(visible);
    follow();
}

void ExchangeView::setTimeout(int ms) {
    m_timeoutMs = ms;
    if (m_tracker)
        m_tracker->setTimeout(ms);
}

at::ExchangeTracker* ExchangeView::acquire() {
    ++m_holds;
    follow();
    return m_tracker;
}

void ExchangeView::release() {
    m_holds = qMax(0, m_holds - 1);
    follow();
}

void ExchangeView::follow() {
    // isHidden, not isVisible: a minimised window goes on following.
    const bool wanted = !isHidden() || m_holds > 0;
    if (wanted == (m_tracker != nullptr))
        return;
    if (!wanted) {
        // An open command is followed to its end; else its row would stay open for good and
        // the rest of its answer be taken as unsolicited once the view is shown again.
        if (m_tracker->open())
            return;
        delete m_tracker;
        m_tracker = nullptr;
        return;
    }
    m_tracker = new at::ExchangeTracker(this);
    m_tracker->setTimeout(m_timeoutMs);
    m_tracker->attach(m_client);
    // After the tracker's own: it has numbered the command by now, and the log has its entry.
    connect(m_client, &at::Client::sended, m_tracker, [this](const QByteArray& line) {
        if (isHidden() && m_holds == 0) {
            // Hidden, only the command before was followed: this one ended it.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (isHidden() && m_holds == 0) {
                        delete m_tracker;
                        m_tracker = nullptr;
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        if (const at::Exchange* open = m_tracker->open())
            m_rows->started(open->number, open->command, m_logPosition());
        Q_UNUSED(line);
    });
    connect(m_tracker, &at::ExchangeTracker::exchangeEnded, this, [this](const at::Exchange& e) {
        m_rows->ended(e);
        m_summary->add(e);
        if (isHidden() && m_holds == 0)
            QMetaObject::invokeMethod(this, &ExchangeView::follow, Qt::QueuedConnection);
    });
    connect(m_tracker, &at::ExchangeTracker::lateAnswerEnded, m_rows, &ExchangeModel::lateEnded);
    connect(m_tracker, &at::ExchangeTracker::lineTaken, this,
            [this](const QByteArray& line, at::Exchange::Role role, quint64) {
                if (role == at::Exchange::Unsolicited)
                    m_rows->unsolicited(cellText(line));
            });
    connect(m_tracker, &at::ExchangeTracker::blockTaken, this,
            [this](const QByteArray& block, at::Exchange::Role role, quint64) {
                if (role == at::Exchange::Unsolicited)
                    m_rows->unsolicited(blockText(block));
            });
}

QString ExchangeView::csv() const {
    const QAbstractItemModel* model = m_tabs->currentIndex() == 0 ? m_rowFilter : m_summaryFilter;
    if (model == m_rowFilter)
        m_rows->flush();
    QString out;
    const int columns = model->columnCount();
    QStringList fields;
    for (int c = 0; c < columns; ++c)
        fields << csvField(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    out += fields.join(u',') + QStringLiteral("\r\n");
    for (int r = 0; r < model->rowCount(); ++r) {
        fields.clear();
        for (int c = 0; c < columns; ++c) {
            const QModelIndex index = model->index(r, c);
            // The text whole, not the cell's one line.
            const QVariant whole = index.data(ExchangeModel::TextRole);
            fields << csvField(whole.isValid() ? whole.toString() : index.data().toString());
        }
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

bool ExchangeView::exportCsv(const QString& path, QString* error) const {
    // A FIFO would block the window until a reader came; a device is no file to keep.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = tr("not a regular file");
        return false;
    }
    if (!datafile::write(path, csv().toUtf8())) {
        *error = tr("cannot be written");
        return false;
    }
    return true;
}

void ExchangeView::setNote(const QString& text) {
    m_told = text;
    updateNote();
}

void ExchangeView::updateNote() {
    QStringList parts;
    if (m_rows->dropped() > 0)
        parts << tr("Oldest rows dropped: %1").arg(m_rows->dropped());
    if (!m_told.isEmpty())
        parts << m_told;
    m_note->setText(parts.join(QStringLiteral("  \u00b7  ")));
}
