#pragma once

#include <QComboBox>
#include <QList>
#include <QPair>
#include <QSerialPortInfo>
#include <QString>

namespace wdt::serialport {

// Serial port chooser that refreshes itself once a second and keeps the
// user's choice while that port exists.
class PortNameCombo : public QComboBox {
    Q_OBJECT
public:
    // (port name, description) of one available port
    using Port = QPair<QString, QString>;

    explicit PortNameCombo(QWidget* parent = nullptr);
    ~PortNameCombo() override;

    QString portName() const;
    void setPortName(const QString& name);
    bool contains(const QString& name) const;
    static bool contains(const QList<QSerialPortInfo>& ports, const QString& name);

    // The platform's ports, then the paths of KELVRA_EXTRA_PORTS
    // (colon-separated) that exist, described as "virtual".
    static QList<Port> availablePorts();

public slots:
    void updateList();

signals:
    void portNameChanged(const QString& portname);

private slots:
    void onCurrentIndexChanged(int index);

protected:
    void timerEvent(QTimerEvent* event) override;
};

} // namespace wdt::serialport
