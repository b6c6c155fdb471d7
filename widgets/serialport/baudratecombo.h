#pragma once

#include <QComboBox>

namespace wdt::serialport {

// Standard line speeds, 115200 by default.
class BaudrateCombo : public QComboBox {
    Q_OBJECT
public:
    explicit BaudrateCombo(QWidget* parent = nullptr);
    ~BaudrateCombo() override;

    int baudrate() const;
    void setBaudrate(int baudrate);
    // Chooses the rate, listed among the others (by size) when it is no standard one.
    void chooseBaudrate(int baudrate);

signals:
    void baudrateChanged(int baudrate);

private slots:
    void onCurrentIndexChanged(int index);
};

} // namespace wdt::serialport
