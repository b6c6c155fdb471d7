#include "widgets/serialport/portnamecombo.h"

#include <QFileInfo>
#include <QIcon>

namespace wdt::serialport {

namespace {

bool containsPort(const QList<PortNameCombo::Port>& ports, const QString& name) {
    for (const PortNameCombo::Port& port : ports) {
        if (port.first == name)
            return true;
    }
    return false;
}

} // namespace

PortNameCombo::PortNameCombo(QWidget* parent)
    : QComboBox(parent) {
    updateList();
    startTimer(1000, Qt::CoarseTimer);
    // Connected after the first fill, so construction announces nothing.
    connect(this, &QComboBox::currentIndexChanged, this, &PortNameCombo::onCurrentIndexChanged);
}

PortNameCombo::~PortNameCombo() = default;

QString PortNameCombo::portName() const {
    return currentData(Qt::UserRole).toString();
}

void PortNameCombo::setPortName(const QString& name) {
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, Qt::UserRole).toString() == name) {
            setCurrentIndex(i);
            return;
        }
    }
}

bool PortNameCombo::contains(const QString& name) const {
    for (int i = count() - 1; i >= 0; --i) {
        if (itemData(i, Qt::UserRole).toString() == name)
            return true;
    }
    return false;
}

bool PortNameCombo::contains(const QList<QSerialPortInfo>& ports, const QString& name) {
    for (const QSerialPortInfo& info : ports) {
        if (info.portName() == name)
            return true;
    }
    return false;
}

QList<PortNameCombo::Port> PortNameCombo::availablePorts() {
    QList<Port> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        if (!containsPort(ports, info.portName()))
            ports.append(Port(info.portName(), info.description()));
    }
    // Extra device paths, such as pseudo-terminals, are opened by their full
    // path and listed only while they exist.
    const QStringList extra =
        qEnvironmentVariable("KELVRA_EXTRA_PORTS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& path : extra) {
        if (QFileInfo::exists(path) && !containsPort(ports, path))
            ports.append(Port(path, QStringLiteral("virtual")));
    }
    return ports;
}

void PortNameCombo::updateList() {
    const QList<Port> ports = availablePorts();

    QString chosen;
    if (count() > 0)
        chosen = portName();

    for (int i = count() - 1; i >= 0; --i) {
        const QString name = itemData(i, Qt::UserRole).toString();
        if (!containsPort(ports, name)) {
            if (name == chosen)
                chosen.clear();
            removeItem(i);
        }
    }

    for (const Port& port : ports) {
        if (!contains(port.first))
            addItem(QIcon(), QStringLiteral("%1 (%2)").arg(port.first, port.second), port.first);
    }

    if (count() == 0)
        return;
    if (chosen.isEmpty()) {
        setCurrentIndex(0);
        return;
    }
    if (portName() == chosen)
        return;
    for (int i = count() - 1; i >= 0; --i) {
        if (itemData(i, Qt::UserRole).toString() == chosen) {
            setCurrentIndex(i);
            return;
        }
    }
}

void PortNameCombo::onCurrentIndexChanged(int /*index*/) {
    emit portNameChanged(portName());
}

void PortNameCombo::timerEvent(QTimerEvent* /*event*/) {
    updateList();
}

} // namespace wdt::serialport
