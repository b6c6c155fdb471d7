#include "bench/table.h"

#include "bench/meters.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>

namespace bench {

Figures runChild(const QStringList& arguments, const QString& platform, int timeoutMs,
                 const QString& wrapper) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QString program = QCoreApplication::applicationFilePath();
    QStringList args = arguments;
    if (!wrapper.isEmpty()) {
        args.prepend(program);
        args = QStringList{QStringLiteral("-a")} + args;
        program = wrapper;
    }
    // The clock starts here: process creation and loading count towards start-up.
    env.insert(QStringLiteral("KELVRA_BENCH_T0"), QString::number(nowNs()));
    child.setProcessEnvironment(env);
    child.start(program, args);
    Figures figures;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "%s timed out\n", qPrintable(arguments.join(' ')));
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts.at(0) == "KB")
            figures.insert(QString::fromLatin1(parts.at(1)), parts.at(2).toDouble());
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        std::fprintf(stderr, "%s failed (%d)\n", qPrintable(arguments.join(' ')), child.exitCode());
    return figures;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

namespace {
QString number(double v) {
    if (v < 0)
        return QStringLiteral("-");
    if (v >= 1000)
        return QString::number(v, 'f', 0);
    return QString::number(v, 'g', 4);
}
} // namespace

Row atMost(const QString& name, double value, double baseline, double limit, const QString& unit) {
    return Row{name,           value, baseline, QStringLiteral("<=") + QString::number(limit),
               value <= limit, unit};
}

void printTable(const QList<Row>& rows) {
    std::printf("\n%-34s %12s %12s %8s %-22s %s\n", "figure", "value", "baseline", "ratio",
                "target", "result");
    for (const Row& row : rows) {
        const QString ratio = row.baseline > 0 ? QString::number(row.value / row.baseline, 'f', 2)
                                               : QStringLiteral("-");
        std::printf("%-34s %12s %12s %8s %-22s %s\n", qPrintable(row.name + " " + row.unit),
                    qPrintable(number(row.value)), qPrintable(number(row.baseline)),
                    qPrintable(ratio), qPrintable(row.target), row.pass ? "PASS" : "MISS");
    }
    std::fflush(stdout);
}

} // namespace bench
