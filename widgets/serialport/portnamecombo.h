#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QList>
#include <QPair>
#include <QSerialPortInfo>
#include <QString>

namespace wdt::serialport {

// Serial port chooser that keeps itself current within a second. The user's choice stays
// chosen: when its port vanishes it stays listed, marked as gone, until the port is back or the
// user picks another. Its last entry, "Other port...", asks for a port by its path.
class PortNameCombo : public QComboBox {
    Q_OBJECT
public:
    // (port name, description) of one available port
    using Port = QPair<QString, QString>;

    explicit PortNameCombo(QWidget* parent = nullptr);
    ~PortNameCombo() override;

    QString portName() const;
    void setPortName(const QString& name);
    // Chooses the port (listed by that name, or at that path); one the chooser does not list is
    // listed from now on while its path exists, and while it is chosen.
    void choosePort(const QString& name);
    bool contains(const QString& name) const;
    static bool contains(const QList<QSerialPortInfo>& ports, const QString& name);
    // The item whose port lives at the device path location (at::portLocation: the chooser
    // lists platform ports by their bare name, extra ports by their path), -1 when none.
    int indexOfLocation(const QString& location) const;
    // The chosen port (or the item at index) is listed only because it was chosen: the platform
    // no longer reports it.
    bool isGone() const { return isGone(currentIndex()); }
    bool isGone(int index) const;

    // The paths of KELVRA_EXTRA_PORTS (colon-separated) that exist, described
    // as "virtual", then the platform's ports.
    static QList<Port> availablePorts();

    // Changes whenever a port may have appeared or vanished (also one at a path of more); much
    // cheaper than availablePorts(). Empty where the platform gives no such hint.
    static QByteArray changeStamp(const QStringList& more = {});

public slots:
    void updateList();

signals:
    void portNameChanged(const QString& portname);

private slots:
    void onCurrentIndexChanged(int index);
    void onActivated(int index);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool isOther(int index) const;
    int otherIndex() const { return count() - 1; }
    void insertPort(int at, const QString& name, const QString& description);

    QStringList m_added; // ports chosen by name that the platform does not list
    bool m_asking = false;
    QByteArray m_stamp;  // changeStamp() as of the last updateList()
    QString m_announced; // the port name last announced
    bool m_dropping = false;
    bool m_recheck = false;
};

} // namespace wdt::serialport
