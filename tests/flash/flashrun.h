#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the real kelvra-flash binary and collects what it says.
namespace flashrun {

struct Result {
    int code = -1;
    bool crashed = false;
    QString out;
    QString err;
};

inline void prepare(QProcess& process, const QStringList& args) {
    process.setProgram(QStringLiteral(KELVRA_FLASH));
    process.setArguments(args);
    // Not a terminal: the tool prints one line per tenth instead of a bar.
    process.setStandardInputFile(QProcess::nullDevice());
}

inline Result collect(QProcess& process, int timeoutMs) {
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        result.crashed = true;
    }
    result.crashed = result.crashed || process.exitStatus() != QProcess::NormalExit;
    result.code = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// A firmware-like image that differs at every offset.
inline QByteArray image(int size) {
    QByteArray data(size, '\0');
    quint32 x = 0x2545F491u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = char(x);
    }
    return data;
}

inline bool writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// The request lines the simulator received, without their terminators.
inline QList<QByteArray> requests(const QString& tracePath, const QByteArray& command) {
    QFile file(tracePath);
    QList<QByteArray> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray prefix = "AT+" + command + '=';
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith(prefix))
            lines.append(line.mid(prefix.size()));
    }
    return lines;
}

} // namespace flashrun
