#include "mainwidget/commandsummary.h"

#include "mainwidget/exchangemodel.h"

#include <QBrush>
#include <QStringList>

#include <cmath>

namespace {
constexpr int exact = 64;    // below this every millisecond has its bucket
constexpr int steps = 32;    // buckets per doubling above it
constexpr int exactBits = 6; // exact == 1 << exactBits
} // namespace

int RoundTrips::bucket(qint64 ms) {
    if (ms < exact)
        return int(qMax<qint64>(0, ms));
    int e = 63 - __builtin_clzll(quint64(ms)); // ms in [2^e, 2^(e+1))
    const int sub = int((ms >> (e - 5)) & (steps - 1));
    return exact + (e - exactBits) * steps + sub;
}

qint64 RoundTrips::middle(int bucket) {
    if (bucket < exact)
        return bucket;
    const int e = (bucket - exact) / steps + exactBits;
    const qint64 sub = (bucket - exact) % steps;
    const qint64 low = (steps + sub) << (e - 5);
    const qint64 high = ((steps + sub + 1) << (e - 5)) - 1;
    return (low + high) / 2;
}

void RoundTrips::add(qint64 ms) {
    ++m_buckets[bucket(ms)];
    m_min = m_count == 0 ? ms : qMin(m_min, ms);
    m_max = m_count == 0 ? ms : qMax(m_max, ms);
    ++m_count;
}

qint64 RoundTrips::percentile(double p) const {
    if (m_count == 0)
        return -1;
    const qint64 rank = qMax<qint64>(1, qint64(std::ceil(p * double(m_count))));
    qint64 seen = 0;
    for (const auto& [bucket, count] : m_buckets) {
        seen += count;
        if (seen >= rank)
            return qBound(m_min, middle(bucket), m_max);
    }
    return m_max;
}

int CommandSummary::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_commands.size());
}

int CommandSummary::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CommandSummary::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case CommandColumn:
        return tr("Command");
    case SentColumn:
        return tr("Sent");
    case FailedColumn:
        return tr("Failed");
    case HowColumn:
        return tr("How");
    case MinColumn:
        return tr("Min ms");
    case MedianColumn:
        return tr("Median ms");
    case P99Column:
        return tr("99% ms");
    case MaxColumn:
        return tr("Max ms");
    }
    return QVariant();
}

QVariant CommandSummary::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_commands.size())
        return QVariant();
    const Command& c = m_commands[size_t(index.row())];
    if (role == FailedRole)
        return c.failed > 0 ? QStringLiteral("1") : QStringLiteral("0");
    if (role == Qt::ForegroundRole)
        return c.failed > 0 ? QVariant(QBrush(Qt::red)) : QVariant();
    if (role != Qt::DisplayRole)
        return QVariant();
    const auto ms = [](qint64 v) { return v < 0 ? QVariant() : QVariant(v); };
    switch (index.column()) {
    case CommandColumn:
        return c.text;
    case SentColumn:
        return c.sent;
    case FailedColumn:
        return c.failed;
    case HowColumn: {
        QStringList parts;
        for (auto it = c.failures.cbegin(); it != c.failures.cend(); ++it)
            parts << QStringLiteral("%1 \u00d7%2").arg(it.key()).arg(it.value());
        return parts.join(QStringLiteral(", "));
    }
    case MinColumn:
        return ms(c.trips.min());
    case MedianColumn:
        return ms(c.trips.percentile(0.5));
    case P99Column:
        return ms(c.trips.percentile(0.99));
    case MaxColumn:
        return ms(c.trips.max());
    }
    return QVariant();
}

void CommandSummary::add(const at::Exchange& e) {
    QString text = cellText(e.command);
    auto found = m_index.constFind(text);
    if (found == m_index.constEnd() && int(m_commands.size()) >= max_commands)
        found = m_index.constFind(text = tr("(other commands)"));
    int row = found == m_index.constEnd() ? -1 : *found;
    if (row < 0) {
        row = int(m_commands.size());
        beginInsertRows(QModelIndex(), row, row);
        m_commands.push_back(Command{text, 0, 0, {}, {}});
        m_index.insert(text, row);
        endInsertRows();
    }
    Command& c = m_commands[size_t(row)];
    ++c.sent;
    if (e.status != at::Exchange::Ok) {
        ++c.failed;
        QString how = e.status == at::Exchange::Error     ? cellText(e.result)
                      : e.status == at::Exchange::Timeout ? tr("time-out")
                                                          : tr("no answer");
        if (!c.failures.contains(how) && c.failures.size() >= max_failures)
            how = tr("other");
        ++c.failures[how];
    }
    if (e.ms >= 0)
        c.trips.add(e.ms);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void CommandSummary::clear() {
    beginResetModel();
    m_commands.clear();
    m_index.clear();
    endResetModel();
}
