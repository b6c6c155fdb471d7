#include "mainwidget/exchangemodel.h"

#include <QBrush>
#include <QColor>

namespace {

// Rows are kept up to the table's bound: rows of lines of a megabyte would take gigabytes.
constexpr qsizetype maxCellText = 4096;
// What a cell shows: no more fits, and a cell lays out all it is given at every paint (a
// line of a megabyte stalled the window for seconds).
constexpr qsizetype maxShown = 500;

QString bounded(QString text, qsizetype most = maxCellText) {
    if (text.size() <= most)
        return text;
    if (text.at(most - 1).isHighSurrogate())
        --most;
    text.truncate(most);
    return text + QChar(0x2026);
}

} // namespace

QString cellText(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    QString out;
    out.reserve(qMin(text.size(), maxCellText + 1));
    for (const QChar c : text) {
        if (out.size() > maxCellText)
            break;
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            out += QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
        else
            out += c;
    }
    return bounded(out);
}

QString blockText(const QByteArray& block) {
    return bounded(QStringLiteral("hex[%1]{%2}")
                       .arg(block.size())
                       .arg(QString::fromLatin1(block.left(maxCellText).toHex())));
}

namespace {

QString answerText(const at::Exchange& e) {
    QString out;
    const auto add = [&out](const QString& line) {
        if (out.size() > maxCellText)
            return;
        if (!out.isEmpty())
            out += u'\n';
        out += line;
    };
    for (const QByteArray& line : e.answer)
        add(cellText(line));
    for (const QByteArray& block : e.blocks)
        add(blockText(block));
    return bounded(out);
}

QString statusText(const at::Exchange& e) {
    switch (e.status) {
    case at::Exchange::Ok:
    case at::Exchange::Error:
        return cellText(e.result);
    case at::Exchange::Timeout:
        return ExchangeModel::tr("time-out");
    case at::Exchange::Unanswered:
        return ExchangeModel::tr("no answer");
    case at::Exchange::Open:
        break;
    }
    return QString();
}

} // namespace

ExchangeModel::ExchangeModel(QObject* parent)
    : QAbstractTableModel(parent) {
    m_batch.setSingleShot(true);
    m_batch.setInterval(100);
    connect(&m_batch, &QTimer::timeout, this, &ExchangeModel::flush);
}

int ExchangeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int ExchangeModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExchangeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case TimeColumn:
        return tr("Time");
    case CommandColumn:
        return tr("Command");
    case ResultColumn:
        return tr("Result");
    case MsColumn:
        return tr("ms");
    case AnswerColumn:
        return tr("Answer");
    }
    return QVariant();
}

QVariant ExchangeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shown)
        return QVariant();
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case FailedRole:
        return row.failed ? QStringLiteral("1") : QStringLiteral("0");
    case LogPositionRole:
        return row.logPosition;
    case CommandRole:
        return row.raw;
    case Qt::ForegroundRole:
        if (row.failed)
            return QBrush(Qt::red);
        if (row.number == 0)
            return QBrush(Qt::darkGray);
        return QVariant();
    case Qt::ToolTipRole:
        if (index.column() == AnswerColumn && !row.answer.isEmpty())
            return row.answer;
        return QVariant();
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn:
            return row.time.toString(QStringLiteral("hh:mm:ss.zzz"));
        case CommandColumn:
            return bounded(row.command, maxShown);
        case ResultColumn:
            return bounded(row.result, maxShown);
        case MsColumn:
            return row.ms < 0 ? QVariant() : QVariant(row.ms);
        case AnswerColumn: {
            // One line in the cell; the tooltip has them all.
            QString shown = bounded(row.answer, maxShown);
            shown.replace(u'\n', QStringLiteral(" | "));
            return shown;
        }
        }
        break;
    case TextRole:
        switch (index.column()) {
        case CommandColumn:
            return row.command;
        case ResultColumn:
            return row.result;
        case AnswerColumn:
            return row.answer;
        }
        return data(index, Qt::DisplayRole);
    }
    return QVariant();
}

ExchangeModel::Row* ExchangeModel::rowOf(quint64 number, int* index) {
    const auto found = m_byNumber.constFind(number);
    // A row dropped already is no row to change.
    if (found == m_byNumber.constEnd() || *found < m_firstId)
        return nullptr;
    *index = int(*found - m_firstId);
    return &m_rows[size_t(*index)];
}

void ExchangeModel::append(Row row) {
    m_rows.push_back(std::move(row));
    if (m_rows.back().number != 0)
        m_byNumber.insert(m_rows.back().number, m_firstId + m_rows.size() - 1);
    if (!m_batch.isActive())
        m_batch.start();
}

void ExchangeModel::changed(int index) {
    if (index < m_shown)
        emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

void ExchangeModel::started(quint64 number, const QByteArray& command, qint64 logPosition) {
    Row row;
    row.number = number;
    row.time = QDateTime::currentDateTime();
    row.command = cellText(command);
    row.raw = QString::fromUtf8(command).left(maxCellText); // the log's entry contains it
    row.logPosition = logPosition;
    row.open = true;
    append(std::move(row));
}

void ExchangeModel::ended(const at::Exchange& e) {
    int index = 0;
    Row* row = rowOf(e.number, &index);
    if (!row)
        return;
    row->time = e.sentAt;
    if (!e.payload.isEmpty())
        row->command = cellText(e.command) + u' ' + blockText(e.payload);
    row->open = false;
    row->result = statusText(e);
    row->ms = e.ms;
    row->answer = answerText(e);
    row->failed = e.status != at::Exchange::Ok;
    changed(index);
}

void ExchangeModel::lateEnded(const at::Exchange& e) {
    int index = 0;
    Row* row = rowOf(e.number, &index);
    if (!row)
        return;
    row->result = tr("time-out, late: %1").arg(cellText(e.result));
    row->ms = e.ms;
    row->answer = answerText(e);
    changed(index);
}

void ExchangeModel::unsolicited(const QString& text) {
    Row row;
    row.time = QDateTime::currentDateTime();
    row.result = tr("unsolicited");
    row.answer = text;
    append(std::move(row));
}

void ExchangeModel::flush() {
    m_batch.stop();
    const int waiting = int(m_rows.size()) - m_shown;
    if (waiting > 0) {
        beginInsertRows(QModelIndex(), m_shown, m_shown + waiting - 1);
        m_shown += waiting;
        endInsertRows();
    }
    const int over = m_shown - m_maxRows;
    if (over <= 0)
        return;
    beginRemoveRows(QModelIndex(), 0, over - 1);
    for (int i = 0; i < over; ++i) {
        if (m_rows.front().number != 0)
            m_byNumber.remove(m_rows.front().number);
        m_rows.pop_front();
        ++m_firstId;
    }
    m_shown -= over;
    endRemoveRows();
    m_dropped += over;
    emit droppedChanged(m_dropped);
}

void ExchangeModel::clear() {
    beginResetModel();
    m_firstId += m_rows.size();
    m_rows.clear();
    m_byNumber.clear();
    m_shown = 0;
    m_dropped = 0;
    endResetModel();
    emit droppedChanged(0);
}
