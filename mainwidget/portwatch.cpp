#include "mainwidget/portwatch.h"

#include "at/client.h"
#include "at/portholders.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTimer>

namespace {

QString deviceIdentity(const QString& location) {
    const QString target = QFileInfo(location).canonicalFilePath();
    const QList<QSerialPortInfo> ports =
        target.isEmpty() ? QList<QSerialPortInfo>() : QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        if (info.systemLocation() != target)
            continue;
        const auto id = [](bool known, quint16 value) {
            return known ? QString::number(value, 16) : QString();
        };
        return id(info.hasVendorIdentifier(), info.vendorIdentifier()) + u'\n' +
               id(info.hasProductIdentifier(), info.productIdentifier()) + u'\n' +
               info.serialNumber();
    }
    return {};
}

// Only what both sides know can tell two devices apart; a path alone cannot.
bool sameDevice(const QString& a, const QString& b) {
    const QStringList x = a.split(u'\n'), y = b.split(u'\n');
    for (qsizetype i = 0; i < qMin(x.size(), y.size()); ++i) {
        if (!x[i].isEmpty() && !y[i].isEmpty() && x[i] != y[i])
            return false;
    }
    return true;
}

// Just after a device appears, the system may not have described it yet: what the opened one
// told must be known of the newcomer before it can pass for the same.
bool describedAsMuch(const QString& opened, const QString& now) {
    const QStringList x = opened.split(u'\n'), y = now.split(u'\n');
    for (qsizetype i = 0; i < x.size(); ++i) {
        if (!x[i].isEmpty() && (i >= y.size() || y[i].isEmpty()))
            return false;
    }
    return true;
}

} // namespace

PortWatch::PortWatch(at::Client* client, wdt::serialport::PortNameCombo* chooser,
                     QAction* reconnect, QObject* parent)
    : QObject(parent)
    , m_client(client)
    , m_chooser(chooser)
    , m_reconnect(reconnect)
    , m_timer(new QTimer(this))
    , m_identitySource(deviceIdentity) {
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &PortWatch::check);
}

bool PortWatch::gone() const {
    return !m_lost.isEmpty() || m_chooser->isGone();
}

bool PortWatch::awaited() const {
    return !m_lost.isEmpty() && m_reconnect->isChecked();
}

void PortWatch::portOpened() {
    m_openIdentity = m_identitySource(at::portLocation(m_client->serialPort()->portName()));
    if (!m_lost.isEmpty() && m_reconnect->isChecked())
        emit reconnected(m_lost);
    m_lost.clear();
    m_refusalTold = false;
    m_timer->stop();
}

void PortWatch::portLost() {
    m_lost = m_client->serialPort()->portName();
    m_refusalTold = false;
    m_timer->start();
}

void PortWatch::userChose() {
    // Picking the gone entry again changes nothing: it is still gone.
    if (m_chooser->isGone())
        return;
    m_lost.clear();
    m_refusalTold = false;
    m_timer->stop();
}

void PortWatch::check() {
    if (m_client->serialPort()->isOpen() || m_client->busy())
        return;
    // Back when the chooser lists its path again (the path itself, not a dangling link).
    const QString location = at::portLocation(m_lost);
    const int index = m_chooser->indexOfLocation(location);
    if (index < 0 || m_chooser->isGone(index) || !QFileInfo::exists(location))
        return;
    const QString identity = m_identitySource(location);
    if (!sameDevice(m_openIdentity, identity)) {
        if (!std::exchange(m_refusalTold, true))
            emit otherDevice(m_lost);
        return;
    }
    if (!describedAsMuch(m_openIdentity, identity))
        return;
    if (m_reconnect->isChecked()) {
        m_client->serialPortOpen(true);
        return;
    }
    m_lost.clear();
    m_timer->stop();
}
