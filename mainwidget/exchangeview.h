#pragma once

#include <QWidget>

#include <functional>

class CommandSummary;
class ExchangeModel;
class QCheckBox;
class QLabel;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

namespace at {
class Client;
class ExchangeTracker;
} // namespace at

// The conversation at a glance: each command with its answer, result and round trip, and a
// summary per command. It follows the client only while it is shown or steps run; otherwise
// the client's signals reach nothing of it.
class ExchangeView : public QWidget {
    Q_OBJECT
public:
    // logPosition: where the entry last appended to the log begins, -1 when unknown.
    ExchangeView(at::Client* client, std::function<qint64()> logPosition,
                 QWidget* parent = nullptr);

    // The tracker the steps run on; it follows the client until release().
    at::ExchangeTracker* acquire();
    void release();

    // How long a command waits for its final line; 0: for ever.
    void setTimeout(int ms);

    ExchangeModel* rows() const { return m_rows; }
    CommandSummary* summary() const { return m_summary; }
    // The rows shown as CSV: those of the tab in front, after the filter.
    QString csv() const;
    // Writes csv() to path, a regular file or a new one. False with the reason in *error.
    bool exportCsv(const QString& path, QString* error) const;
    void setNote(const QString& text);

    // Follows the client from here on, or stops unless steps run.
    void setVisible(bool visible) override;

signals:
    // A row's command entry is wanted in the log.
    void entryWanted(qint64 logPosition, const QString& command);

private:
    void follow();
    void updateNote();

    at::Client* m_client;
    std::function<qint64()> m_logPosition;
    at::ExchangeTracker* m_tracker = nullptr;
    int m_holds = 0;
    int m_timeoutMs = 5000;
    ExchangeModel* m_rows;
    CommandSummary* m_summary;
    QSortFilterProxyModel* m_rowFilter;
    QSortFilterProxyModel* m_summaryFilter;
    QTabWidget* m_tabs;
    QTableView* m_rowView;
    QTableView* m_summaryView;
    QCheckBox* m_failuresOnly;
    QLabel* m_note;
    QString m_told;
};
