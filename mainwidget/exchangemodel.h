#pragma once

#include "at/exchange.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QTimer>

#include <deque>

// The rows of the exchanges view: one per command line written, with its answer, result and
// round trip, and one per line that answers no command. Bounded like the log: the oldest rows
// go first. Rows reach the view in batches a few times a second, so a flood of lines costs
// the table one insertion per batch, not one per line.
class ExchangeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, CommandColumn, ResultColumn, MsColumn, AnswerColumn, ColumnCount };
    // "1" for a failed exchange, "0" otherwise: what "Failures only" filters on.
    static constexpr int FailedRole = Qt::UserRole + 1;
    // Where the command's entry began in the log (LogEdit::lastEntry), -1: unknown.
    static constexpr int LogPositionRole = Qt::UserRole + 2;
    static constexpr int CommandRole = Qt::UserRole + 3;
    // A cell's whole text (the display shows its start, the answer on one line), for Copy
    // and CSV.
    static constexpr int TextRole = Qt::UserRole + 4;

    explicit ExchangeModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void started(quint64 number, const QByteArray& command, qint64 logPosition);
    void ended(const at::Exchange& exchange);
    void lateEnded(const at::Exchange& exchange);
    void unsolicited(const QString& text);

    static constexpr int default_max_rows = 20000;
    void setMaxRows(int rows) { m_maxRows = qMax(1, rows); }
    qint64 dropped() const { return m_dropped; }
    // Shows the rows that wait for their batch now.
    void flush();
    void clear();

signals:
    void droppedChanged(qint64 dropped);

private:
    struct Row {
        quint64 number = 0; // 0: a line that answers no command
        QDateTime time;
        QString command;
        QString raw; // the command as the log shows it
        QString result;
        QString answer;
        qint64 ms = -1;
        qint64 logPosition = -1;
        bool failed = false;
        bool open = false;
    };
    Row* rowOf(quint64 number, int* index);
    void append(Row row);
    void changed(int index);

    std::deque<Row> m_rows; // oldest first; those beyond m_shown wait for the batch
    int m_shown = 0;
    QHash<quint64, quint64> m_byNumber; // exchange number to row id
    quint64 m_firstId = 0;              // the id of m_rows.front()
    int m_maxRows = default_max_rows;
    qint64 m_dropped = 0;
    QTimer m_batch;
};

// Text from the device for a table cell: control and format characters (bidi overrides)
// shown escaped, so a line cannot reorder or hide what follows it; a long one cut short.
QString cellText(const QByteArray& bytes);
// A block of bytes for a cell, "hex[size]{...}", a long one cut short.
QString blockText(const QByteArray& block);
