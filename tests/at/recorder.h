#pragma once

#include "at/client.h"

#include <QObject>
#include <QStringList>

// Writes every signal of a client into one list, in the order they came,
// so a test can compare whole sequences.
class Recorder : public QObject {
public:
    explicit Recorder(at::Client* client, bool withSended = true)
        : QObject(client) {
        using C = at::Client;
        connect(client, &C::opened, this, [this] { events << "opened"; });
        connect(client, &C::closed, this, [this] { events << "closed"; });
        if (withSended) {
            connect(client, &C::sended, this,
                    [this](const QByteArray& d) { events << "sended:" + esc(d); });
        }
        connect(client, &C::sendedBinary, this,
                [this](const QByteArray& d) { events << "sendedBinary:" + esc(d); });
        connect(client, &C::received, this,
                [this](const QByteArray& d) { events << "received:" + esc(d); });
        connect(client, &C::receivedBinary, this,
                [this](const QByteArray& d) { events << "receivedBinary:" + esc(d); });
        connect(client, &C::errorOccured, this,
                [this](at::Error e) { events << QString("errorOccured:%1").arg(int(e)); });
        connect(client, &C::testCompleated, this,
                [this](at::Error e) { events << QString("testCompleated:%1").arg(int(e)); });
        connect(client, &C::firmwareUpdateProgress, this,
                [this](int w) { events << QString("progress:%1").arg(w); });
        connect(client, &C::firmwareUpdateCompleated, this,
                [this](at::Error e) { events << QString("firmwareCompleated:%1").arg(int(e)); });
    }

    // CR and LF spelled out, other control bytes as \xHH.
    static QString esc(const QByteArray& data) {
        QString out;
        for (const char c : data) {
            const auto b = static_cast<unsigned char>(c);
            if (b == '\r')
                out += "\\r";
            else if (b == '\n')
                out += "\\n";
            else if (b < 0x20 || b >= 0x7F)
                out += QString("\\x%1").arg(b, 2, 16, QChar('0'));
            else
                out += QChar(b);
        }
        return out;
    }

    QStringList events;
};
