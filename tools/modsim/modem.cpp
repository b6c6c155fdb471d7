#include "tools/modsim/modem.h"

#include <utility>

namespace modsim {

namespace {

const QByteArray crlf("\r\n");
const QByteArray ok("OK\r\n");
const QByteArray fail("FAIL\r\n");
const QByteArray error("ERROR\r\n");

// Strict decimal: digits only, no sign, no blanks, no overflow beyond max.
bool parseNumber(const QByteArray& text, quint64 max, quint64* out) {
    if (text.isEmpty() || text.size() > 20)
        return false;
    quint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const quint64 digit = quint64(c - '0');
        if (digit > max || value > (max - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *out = value;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool decodeHex(const QByteArray& hex, QByteArray* out) {
    if (hex.size() % 2 != 0)
        return false;
    QByteArray bytes(hex.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int hi = hexValue(hex.at(2 * i));
        const int lo = hexValue(hex.at(2 * i + 1));
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = char(hi << 4 | lo);
    }
    *out = bytes;
    return true;
}

QByteArray number(quint64 n) {
    return QByteArray::number(n);
}

} // namespace

Modem::Modem(Faults faults)
    : m_faults(std::move(faults)) {}

quint32 Modem::jamcrc(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

QList<Event> Modem::feed(const QByteArray& bytes) {
    QList<Event> events;
    m_buffer.append(bytes);
    qsizetype pos = 0;
    const qsizetype size = m_buffer.size();
    while (pos < size) {
        // A line feed right behind the carriage return that ended a command is part of its
        // end, also in front of a payload.
        if (std::exchange(m_afterCr, false) && m_buffer.at(pos) == '\n') {
            ++pos;
            continue;
        }
        if (m_inBlock) {
            const qint64 take = qMin<qint64>(m_pending, size - pos);
            m_block.append(m_buffer.constData() + pos, qsizetype(take));
            pos += qsizetype(take);
            m_pending -= take;
            if (m_pending == 0)
                finishBlock(events);
            continue;
        }
        qsizetype lf = pos;
        while (lf < size && m_buffer.at(lf) != '\n' && m_buffer.at(lf) != '\r')
            ++lf;
        if (lf == size) {
            if (m_discarding) {
                pos = size;
            } else if (size - pos > maxLine) {
                // A line that never ends must not eat the memory: drop it and say so once.
                m_discarding = true;
                pos = size;
                events.append({QByteArray(), error, true});
            }
            break;
        }
        if (m_discarding) {
            m_discarding = false;
        } else if (lf - pos > maxLine) {
            events.append({QByteArray(), error, true});
        } else {
            handleLine(m_buffer.mid(pos, lf - pos), events);
        }
        m_afterCr = m_buffer.at(lf) == '\r';
        pos = lf + 1;
    }
    m_buffer.remove(0, pos);
    return events;
}

void Modem::finishBlock(QList<Event>& events) {
    m_inBlock = false;
    if (m_faults.silent.contains("WRITEB")) {
        m_block.clear();
        return;
    }
    QByteArray reply = ok;
    if (m_dataMode == 2) {
        reply += "+READB:" + number(quint64(m_block.size())) + ':' + number(quint64(m_blockIndex)) +
                 crlf;
        reply += m_block;
    }
    m_block.clear();
    events.append({"WRITEB", reply, false});
}

void Modem::handleLine(const QByteArray& line, QList<Event>& events) {
    if (line.isEmpty())
        return;

    QByteArray name;
    QByteArray params;
    bool hasParams = false;
    bool query = false;
    const QByteArray upper = line.toUpper();
    if (upper == "AT") {
        name = "AT";
    } else if (upper.startsWith("AT+")) {
        qsizetype end = 3;
        while (end < line.size() && line.at(end) != '=' && line.at(end) != '?')
            ++end;
        name = upper.mid(3, end - 3);
        if (end < line.size()) {
            if (line.at(end) == '=') {
                hasParams = true;
                params = line.mid(end + 1);
            } else {
                query = end + 1 == line.size();
                hasParams = !query;
            }
        }
    } else if (upper.startsWith("AT")) {
        name = upper;
    }

    const bool silent = !name.isEmpty() && m_faults.silent.contains(name);
    QByteArray reply = m_faults.echo ? line + crlf : QByteArray();
    if (name == "FWWRITE")
        ++m_fwwriteCount;

    if (m_faults.cmeCommands.contains(++m_commandCount)) {
        reply += "+CME ERROR: 10\r\n";
    } else if (name == "WRITEB" && hasParams && !query) {
        const QByteArray result = writeb(params);
        if (!result.isEmpty())
            reply += result;
    } else {
        reply += answer(name, hasParams, query, params);
    }
    events.append({name, silent ? QByteArray() : reply, true});
    // A payload that is already complete (size 0) is answered at once.
    if (m_inBlock && m_pending == 0)
        finishBlock(events);
}

QByteArray Modem::answer(const QByteArray& name, bool hasParams, bool query,
                         const QByteArray& params) {
    const bool plain = !hasParams && !query;
    if (name == "AT")
        return ok;
    if (name == "VERSION" && plain)
        return "+VERSION:2.3.1 build 58\r\n" + ok;
    if (name == "UID" && plain)
        return "+UID:4B5652A0331F07C2\r\n" + ok;
    if (name == "FWINFO" && plain)
        return "+FWINFO:2.3.1,2048,0x08004000\r\n" + ok;
    if (name == "WFMODE") {
        if (!hasParams)
            return "+WFMODE:" + number(quint64(m_wifiMode)) + crlf + ok;
        quint64 mode = 0;
        if (!parseNumber(params, 3, &mode))
            return error;
        m_wifiMode = int(mode);
        return ok;
    }
    if (name == "WFSCANAP" && plain) {
        // A report that falls due during the scan comes between its lines.
        return "+WFSCANAP:\"Workshop\",-41,6,WPA2\r\n" + std::exchange(m_event, {}) +
               "+WFSCANAP:\"Guest Net\",-67,11,OPEN\r\n"
               "+WFSCANAP:\"Lab-5G\",-73,36,WPA3\r\n" +
               ok;
    }
    const QByteArray ssid = params.split(',').at(0);
    if (name == "WFCONNAP" && hasParams && !ssid.isEmpty() && ssid != "\"\"") {
        m_event = "+WFEVENT:CONNECTED," + ssid + crlf;
        return ok;
    }
    if (name == "DATAMODE") {
        if (query)
            return "+DATAMODE:" + number(quint64(m_dataMode)) + crlf + ok;
        quint64 mode = 0;
        if (!hasParams || !parseNumber(params, 2, &mode))
            return error;
        m_dataMode = int(mode);
        return ok;
    }
    if (name == "FWWRITE" && hasParams)
        return fwwrite(params);
    if (name == "FWUPDATE" && hasParams)
        return fwupdate(params);
    return error;
}

QByteArray Modem::writeb(const QByteArray& params) {
    const QList<QByteArray> parts = params.split(',');
    if (parts.size() != 2 && parts.size() != 4)
        return error;
    quint64 index = 0;
    quint64 size = 0;
    if (!parseNumber(parts.at(0), 0x7FFFFFFF, &index) ||
        !parseNumber(parts.at(1), quint64(maxBlock), &size))
        return error;
    if (parts.size() == 4) {
        quint64 port = 0;
        if (parts.at(2).isEmpty() || !parseNumber(parts.at(3), 65535, &port))
            return error;
    }
    m_inBlock = true;
    m_pending = qint64(size);
    m_blockIndex = qint64(index);
    m_block.clear();
    m_block.reserve(qsizetype(size));
    return QByteArray();
}

QByteArray Modem::fwwrite(const QByteArray& params) {
    if (m_faults.failBlocks.contains(m_fwwriteCount))
        return fail;
    if (m_faults.errorBlocks.contains(m_fwwriteCount))
        return error;
    const QList<QByteArray> parts = params.split(',');
    if (parts.size() != 3 || parts.at(0) != "0")
        return fail;
    quint64 offset = 0;
    QByteArray data;
    if (!parseNumber(parts.at(1), quint64(maxImage), &offset) || !decodeHex(parts.at(2), &data))
        return fail;
    if (offset != 0 && offset != quint64(m_image.size()))
        return fail;
    if (qint64(offset) + data.size() > maxImage)
        return fail;
    if (offset == 0)
        m_image.clear();
    m_image.append(data);
    QByteArray reply;
    if (m_faults.progressLines)
        reply = "+FWWRITE:" + number(offset) + crlf;
    return reply + ok;
}

QByteArray Modem::fwupdate(const QByteArray& params) {
    const quint32 crc = jamcrc(m_image);
    QByteArray reply;
    if (m_faults.progressLines)
        reply = "+FWUPDATE:" + number(quint64(m_image.size())) + ',' + number(crc) + crlf;
    const QList<QByteArray> parts = params.split(',');
    quint64 size = 0;
    quint64 expected = 0;
    if (parts.size() != 3 || parts.at(0) != "0" ||
        !parseNumber(parts.at(1), quint64(maxImage), &size) ||
        !parseNumber(parts.at(2), 0xFFFFFFFFu, &expected))
        return reply + fail;
    if (size != quint64(m_image.size()) || expected != crc)
        return reply + fail;
    // The image is applied; the next transfer starts from scratch.
    m_image.clear();
    return reply + ok;
}

} // namespace modsim
