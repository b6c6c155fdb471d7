#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>

#include <utility>

namespace modsim {

// How the simulated module misbehaves on purpose.
struct Faults {
    // Command names (upper case, "AT" for the bare AT) that get no answer at all.
    QSet<QByteArray> silent;
    // 1-based numbers of FWWRITE requests (counted since start) answered with FAIL.
    QSet<qint64> failBlocks;
    // The same, answered with ERROR.
    QSet<qint64> errorBlocks;
    // 1-based numbers of command lines (counted since start) answered +CME ERROR: 10.
    QSet<qint64> cmeCommands;
    // "+FWWRITE:<offset>" before each FWWRITE OK, "+FWUPDATE:<size>,<crc>" before FWUPDATE's
    // answer.
    bool progressLines = false;
    // Send each command line back before its answer.
    bool echo = false;
};

// One thing the module did in reaction to received bytes.
struct Event {
    // Upper-case command name: "AT", "VERSION", "WRITEB", ...; empty for garbage.
    QByteArray command;
    // Bytes to send back; empty when nothing is to be said (silent, or waiting for a payload).
    QByteArray reply;
    // True when a command line was taken in (the payload completion of WRITEB is not one).
    bool isCommand = true;
};

// The module's side of the AT conversation without any I/O: bytes in, answers out.
class Modem {
public:
    // Longest command line kept; a longer one is thrown away up to its end.
    static constexpr qsizetype maxLine = 64 * 1024;
    // Largest WRITEB payload accepted.
    static constexpr qint64 maxBlock = 16 * 1024 * 1024;
    // Largest firmware image collected by FWWRITE.
    static constexpr qsizetype maxImage = 64 * 1024 * 1024;

    explicit Modem(Faults faults = {});

    QList<Event> feed(const QByteArray& bytes);

    int dataMode() const { return m_dataMode; }
    // Raw bytes still expected for the WRITEB payload in progress.
    qint64 pendingPayload() const { return m_inBlock ? m_pending : 0; }
    const QByteArray& image() const { return m_image; }
    // The unsolicited report the module owes (after a connect), taken out; empty when none.
    QByteArray takeEvent() { return std::exchange(m_event, {}); }
    bool hasEvent() const { return !m_event.isEmpty(); }

    // CRC-32 with the reflected polynomial, all-ones start and no final inversion.
    static quint32 jamcrc(const QByteArray& data);

private:
    void handleLine(const QByteArray& line, QList<Event>& events);
    QByteArray answer(const QByteArray& name, bool hasParams, bool query, const QByteArray& params);
    QByteArray writeb(const QByteArray& params);
    QByteArray fwwrite(const QByteArray& params);
    QByteArray fwupdate(const QByteArray& params);
    void finishBlock(QList<Event>& events);

    Faults m_faults;
    QByteArray m_buffer;
    bool m_discarding = false;
    bool m_afterCr = false;
    QByteArray m_event;

    // WRITEB payload in progress
    qint64 m_pending = 0;
    bool m_inBlock = false;
    qint64 m_blockIndex = 0;
    QByteArray m_block;

    int m_dataMode = 0;
    int m_wifiMode = 1;
    QByteArray m_image;
    qint64 m_fwwriteCount = 0;
    qint64 m_commandCount = 0;
};

} // namespace modsim
