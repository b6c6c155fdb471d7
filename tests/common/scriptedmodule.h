#pragma once

#include "common/ptypeer.h"

#include <QElapsedTimer>
#include <QMap>
#include <QPair>
#include <QTimer>

namespace test {

// A command line and what the module answers to it.
using Answers = QMap<QByteArray, QByteArray>;

// Answers each command line it gets with its script: "|" cuts the answer into writes of their
// own, "@N" before a piece delays it N ms. Bytewise: one byte a write.
class Module : public QObject {
public:
    Module(test::PtyPeer* peer, const Answers& answers, bool bytewise)
        : m_peer(peer)
        , m_answers(answers)
        , m_bytewise(bytewise) {
        m_clock.start();
        connect(&m_tick, &QTimer::timeout, this, &Module::tick);
        m_tick.start(1);
    }
    void say(const QByteArray& bytes) { m_out.append({0, bytes}); }
    QStringList heard;

private:
    void tick() {
        m_heard += m_peer->takeReceived();
        for (qsizetype lf; (lf = m_heard.indexOf('\n')) >= 0; m_heard.remove(0, lf + 1)) {
            const QByteArray line = m_heard.left(lf).trimmed();
            heard << line;
            qint64 due = m_clock.elapsed();
            for (QByteArray piece : m_answers.value(line).split('|')) {
                if (piece.startsWith('@')) {
                    const qsizetype digits = piece.indexOf(' ');
                    due += piece.mid(1, digits - 1).toInt();
                    piece = piece.mid(digits + 1);
                }
                for (qsizetype i = 0; m_bytewise && i < piece.size(); ++i)
                    m_out.append({due, piece.mid(i, 1)});
                if (!m_bytewise && !piece.isEmpty())
                    m_out.append({due, piece});
            }
        }
        if (!m_out.isEmpty() && m_out.first().first <= m_clock.elapsed())
            m_peer->write(m_out.takeFirst().second);
    }

    test::PtyPeer* m_peer;
    Answers m_answers;
    bool m_bytewise;
    QByteArray m_heard;
    QList<QPair<qint64, QByteArray>> m_out;
    QElapsedTimer m_clock;
    QTimer m_tick;
};

} // namespace test
