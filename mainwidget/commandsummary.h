#pragma once

#include "at/exchange.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>

#include <map>
#include <vector>

// Round trips of one command, bounded for a run of any length: exact count, minimum and
// maximum; percentiles from a histogram whose buckets are exact below 64 ms and about 3 %
// wide above.
class RoundTrips {
public:
    void add(qint64 ms);
    qint64 count() const { return m_count; }
    qint64 min() const { return m_min; }
    qint64 max() const { return m_max; }
    // The nearest-rank percentile (0 < p <= 1); -1 without round trips.
    qint64 percentile(double p) const;

private:
    static int bucket(qint64 ms);
    static qint64 middle(int bucket);
    std::map<int, qint64> m_buckets;
    qint64 m_count = 0;
    qint64 m_min = -1;
    qint64 m_max = -1;
};

// Per distinct command text, over the whole run: how often it went out, how often and how it
// failed, and its round trips. Rows dropped from the exchanges view stay counted here.
class CommandSummary : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        CommandColumn,
        SentColumn,
        FailedColumn,
        HowColumn,
        MinColumn,
        MedianColumn,
        P99Column,
        MaxColumn,
        ColumnCount
    };
    static constexpr int FailedRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void add(const at::Exchange& exchange);
    void clear();

    // Distinct commands kept; the rest are counted together in one last row.
    static constexpr int max_commands = 1000;
    // Distinct failures told apart per command; the rest count as "other".
    static constexpr int max_failures = 8;

private:
    struct Command {
        QString text;
        qint64 sent = 0;
        qint64 failed = 0;
        QMap<QString, qint64> failures;
        RoundTrips trips;
    };
    std::vector<Command> m_commands;
    QMap<QString, int> m_index;
};
