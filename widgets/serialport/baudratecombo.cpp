#include "widgets/serialport/baudratecombo.h"

#include <QSerialPortInfo>

namespace wdt::serialport {

BaudrateCombo::BaudrateCombo(QWidget* parent)
    : QComboBox(parent) {
    const QList<qint32> rates = QSerialPortInfo::standardBaudRates();
    for (const qint32 rate : rates) {
        addItem(QString::number(rate), rate);
        if (rate == 115200)
            setCurrentIndex(count() - 1);
    }
    // Connected after the fill, so construction announces nothing.
    connect(this, &QComboBox::currentIndexChanged, this, &BaudrateCombo::onCurrentIndexChanged);
}

BaudrateCombo::~BaudrateCombo() = default;

int BaudrateCombo::baudrate() const {
    return currentIndex() < 0 ? 0 : currentData(Qt::UserRole).toInt();
}

void BaudrateCombo::setBaudrate(int baudrate) {
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, Qt::UserRole).toInt() == baudrate) {
            setCurrentIndex(i);
            return;
        }
    }
}

void BaudrateCombo::chooseBaudrate(int baudrate) {
    int at = 0;
    while (at < count() && itemData(at, Qt::UserRole).toInt() < baudrate)
        ++at;
    if (at == count() || itemData(at, Qt::UserRole).toInt() != baudrate)
        insertItem(at, QString::number(baudrate), baudrate);
    setCurrentIndex(at);
}

void BaudrateCombo::onCurrentIndexChanged(int /*index*/) {
    emit baudrateChanged(baudrate());
}

} // namespace wdt::serialport
