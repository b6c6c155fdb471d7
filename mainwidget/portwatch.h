#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QTimer;

namespace at {
class Client;
}
namespace wdt::serialport {
class PortNameCombo;
}

// Waits for the device of the open port when it vanishes. When its path is back and the device
// there is the same one as far as the platform tells, the port opens again (Reconnect on) or is
// simply the chosen port again (off); until then, and while another device holds the path, the
// chosen port counts as gone and nothing may open it.
class PortWatch : public QObject {
    Q_OBJECT
public:
    // What the platform tells of the device at a path beyond the path itself (USB vendor,
    // product and serial number, one per line, each empty when unknown).
    using IdentitySource = std::function<QString(const QString& location)>;

    PortWatch(at::Client* client, wdt::serialport::PortNameCombo* chooser, QAction* reconnect,
              QObject* parent);

    void setIdentitySource(IdentitySource source) { m_identitySource = std::move(source); }
    // Nothing may be opened: the chosen port's device is gone or another device took its path.
    bool gone() const;
    // The lost device is waited for to be reopened by itself.
    bool awaited() const;

    // The port opened; the device lost (the port still open), the user's pick in the chooser.
    void portOpened();
    void portLost();
    void userChose();

signals:
    void reconnected(const QString& port);
    void otherDevice(const QString& port);

private:
    void check();

    at::Client* m_client;
    wdt::serialport::PortNameCombo* m_chooser;
    QAction* m_reconnect;
    QTimer* m_timer;
    IdentitySource m_identitySource;
    QString m_lost;             // the port whose device vanished, as the port names it
    QString m_openIdentity;     // of the device last opened
    bool m_refusalTold = false; // that another device holds the lost port's path
};
