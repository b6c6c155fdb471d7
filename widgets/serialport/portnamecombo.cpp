#include "widgets/serialport/portnamecombo.h"

#include "at/portholders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QInputDialog>
#include <QLineEdit>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

namespace wdt::serialport {

namespace {

// Item data: the item stays only because it is the chosen one.
constexpr int goneRole = Qt::UserRole + 1;
// Item data: the last item, which asks for a path.
constexpr int otherRole = Qt::UserRole + 2;

const PortNameCombo::Port* findPort(const QList<PortNameCombo::Port>& ports, const QString& name) {
    for (const PortNameCombo::Port& port : ports) {
        if (port.first == name)
            return &port;
    }
    return nullptr;
}

bool containsPort(const QList<PortNameCombo::Port>& ports, const QString& name) {
    for (const PortNameCombo::Port& port : ports) {
        if (port.first == name)
            return true;
    }
    return false;
}

QStringList extraPorts() {
    return qEnvironmentVariable("KELVRA_EXTRA_PORTS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

} // namespace

PortNameCombo::PortNameCombo(QWidget* parent)
    : QComboBox(parent) {
    addItem(QCoreApplication::translate("MainWidget", "Other port..."));
    setItemData(0, true, otherRole);
    setCurrentIndex(-1);
    // As wide as the names, up to a bound: a long path (typed, or given at start) widened the
    // window past the screen.
    setMaximumWidth(fontMetrics().averageCharWidth() * 64);
    updateList();
    m_announced = portName();
    startTimer(1000, Qt::CoarseTimer);
    // Connected after the first fill, so construction announces nothing.
    connect(this, &QComboBox::currentIndexChanged, this, &PortNameCombo::onCurrentIndexChanged);
    connect(this, &QComboBox::activated, this, &PortNameCombo::onActivated);
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

void PortNameCombo::choosePort(const QString& name) {
    int index = -1;
    for (int i = 0; i < otherIndex() && index < 0; ++i) {
        if (itemData(i, Qt::UserRole).toString() == name)
            index = i;
    }
    if (index < 0)
        index = indexOfLocation(at::portLocation(name));
    if (index < 0) {
        if (!m_added.contains(name))
            m_added.append(name);
        index = otherIndex();
        insertPort(index, name, QCoreApplication::translate("MainWidget", "by path"));
    }
    setCurrentIndex(index);
}

bool PortNameCombo::isOther(int index) const {
    return itemData(index, otherRole).toBool();
}

void PortNameCombo::insertPort(int at, const QString& name, const QString& description) {
    insertItem(at, QIcon(), QStringLiteral("%1 (%2)").arg(name, description), name);
}

bool PortNameCombo::contains(const QString& name) const {
    for (int i = otherIndex() - 1; i >= 0; --i) {
        if (itemData(i, Qt::UserRole).toString() == name)
            return true;
    }
    return false;
}

int PortNameCombo::indexOfLocation(const QString& location) const {
    for (int i = 0; i < otherIndex(); ++i) {
        if (at::portLocation(itemData(i, Qt::UserRole).toString()) == location)
            return i;
    }
    return -1;
}

bool PortNameCombo::isGone(int index) const {
    return itemData(index, goneRole).toBool();
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
    // Extra device paths, such as pseudo-terminals, are opened by their full
    // path and listed only while they exist. They come first: whoever names
    // one (./run.sh names the simulator) wants it chosen on a first start.
    for (const QString& path : extraPorts()) {
        if (QFileInfo::exists(path) && !containsPort(ports, path))
            ports.append(Port(path, QCoreApplication::translate("MainWidget", "virtual")));
    }
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        if (!containsPort(ports, info.portName()))
            ports.append(Port(info.portName(), info.description()));
    }
    return ports;
}

QByteArray PortNameCombo::changeStamp(const QStringList& more) {
    QByteArray stamp;
#ifdef Q_OS_LINUX
    // A serial device comes and goes with its node in /dev, which changes the
    // directory's modification time; udev adds its by-id link a little later.
    // Extra ports are watched by their own paths (through symbolic links).
    QStringList paths{QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id")};
    paths += extraPorts() + more;
    for (const QString& path : paths) {
        struct stat st {};
        stamp += QFile::encodeName(path);
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            const qint64 fields[] = {qint64(st.st_dev),         qint64(st.st_ino),
                                     qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec),
                                     qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec)};
            stamp += QByteArray(reinterpret_cast<const char*>(fields), sizeof fields);
        }
        stamp += '\0';
    }
#else
    Q_UNUSED(more)
#endif
    return stamp;
}

void PortNameCombo::updateList() {
    // Taken before the enumeration: a change during it shows at the next tick.
    m_stamp = changeStamp(m_added);
    QList<Port> ports = availablePorts();
    for (const QString& name : std::as_const(m_added)) {
        if (QFileInfo::exists(at::portLocation(name)) && !containsPort(ports, name))
            ports.append(Port(name, QCoreApplication::translate("MainWidget", "by path")));
    }

    const QString chosen = portName();

    // The chosen port stays when it vanishes: whatever the user sends must not go to the
    // port that would take its place.
    for (int i = otherIndex() - 1; i >= 0; --i) {
        const QString name = itemData(i, Qt::UserRole).toString();
        const Port* port = findPort(ports, name);
        if (port && isGone(i)) {
            setItemText(i, QStringLiteral("%1 (%2)").arg(port->first, port->second));
            setItemData(i, false, goneRole);
        } else if (!port && name == chosen) {
            setItemText(i, QStringLiteral("%1 (%2)").arg(
                               name, QCoreApplication::translate("MainWidget", "gone")));
            setItemData(i, true, goneRole);
        } else if (!port) {
            removeItem(i);
        }
    }

    // New ports go to the end, except the extra paths: they keep their place at the top (a
    // device that comes back under its link is listed where it was).
    const QStringList extras = extraPorts();
    for (const Port& port : ports) {
        if (contains(port.first))
            continue;
        int at = otherIndex();
        if (const qsizetype rank = extras.indexOf(port.first); rank >= 0) {
            at = 0;
            while (at < otherIndex()) {
                const qsizetype other = extras.indexOf(itemData(at, Qt::UserRole).toString());
                if (other < 0 || other > rank)
                    break;
                ++at;
            }
        }
        insertPort(at, port.first, port.second);
    }

    // Only a list that was empty has no choice yet.
    if (otherIndex() > 0 && chosen.isEmpty())
        setCurrentIndex(0);
}

void PortNameCombo::onCurrentIndexChanged(int index) {
    // Passed through on the way to a path, or back from it.
    if (isOther(index))
        return;
    // A gone port that is no longer chosen has no reason to stay.
    if (!m_dropping) {
        m_dropping = true;
        for (int i = count() - 1; i >= 0; --i) {
            if (i != currentIndex() && isGone(i))
                removeItem(i);
        }
        m_dropping = false;
    }
    // A port listed above the chosen one moves it down, without changing the choice.
    if (portName() == m_announced)
        return;
    m_announced = portName();
    emit portNameChanged(m_announced);
}

void PortNameCombo::onActivated(int index) {
    if (!isOther(index) || m_asking)
        return;
    m_asking = true;
    bool ok = false;
    const QString path =
        QInputDialog::getText(this, QCoreApplication::translate("MainWidget", "Other port"),
                              QCoreApplication::translate("MainWidget", "Path of the serial port:"),
                              QLineEdit::Normal, QStringLiteral("/dev/"), &ok)
            .trimmed();
    m_asking = false;
    // Nothing opens or reads the path here: a pipe or a file is refused when the port opens.
    if (ok && !path.isEmpty() && path != QLatin1String("/dev/")) {
        choosePort(path);
        return;
    }
    int previous = -1;
    for (int i = 0; i < otherIndex() && previous < 0; ++i) {
        if (itemData(i, Qt::UserRole).toString() == m_announced)
            previous = i;
    }
    setCurrentIndex(previous);
}

void PortNameCombo::timerEvent(QTimerEvent* /*event*/) {
    // Not while the user types a path: the choice is to come back as it was.
    if (m_asking) {
        m_recheck = true;
        return;
    }
    // The enumeration goes through udev and costs milliseconds; an idle window
    // must not pay that every second. A change is enumerated twice, a second
    // apart: a device on its way out loses its node before its other traces.
    const QByteArray stamp = changeStamp(m_added);
    const bool changed = stamp.isEmpty() || stamp != m_stamp;
    if (changed || m_recheck)
        updateList();
    m_recheck = changed;
}

} // namespace wdt::serialport
