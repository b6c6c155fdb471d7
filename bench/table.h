#pragma once

// The parent's side: scenarios run as children of their own, and every figure is printed
// beside a baseline taken in the same run.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace bench {

using Figures = QMap<QString, double>;

// Runs this program again with arguments on the given platform (through wrapper, such as
// xvfb-run, when not empty) and collects what it reports.
Figures runChild(const QStringList& arguments, const QString& platform, int timeoutMs,
                 const QString& wrapper = QString());
double median(QList<double> values);

struct Row {
    QString name;
    double value;
    double baseline; // < 0: none
    QString target;
    bool pass;
    QString unit;
};

// A figure that passes at or below limit.
Row atMost(const QString& name, double value, double baseline, double limit, const QString& unit);

void printTable(const QList<Row>& rows);

} // namespace bench
