#include "mainwidget/linedialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace {

void select(QComboBox* combo, int value) {
    const int index = combo->findData(value);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

} // namespace

LineDialog::LineDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("line-settings-dialog"));
    setWindowTitle(tr("Line settings"));
    setLayout(new QFormLayout);
    m_dataBits = addCombo(QStringLiteral("dataBits"), tr("Data bits:"));
    for (int bits = 5; bits <= 8; ++bits)
        m_dataBits->addItem(QString::number(bits), bits);
    m_parity = addCombo(QStringLiteral("parity"), tr("Parity:"));
    m_parity->addItem(tr("None"), QSerialPort::NoParity);
    m_parity->addItem(tr("Even"), QSerialPort::EvenParity);
    m_parity->addItem(tr("Odd"), QSerialPort::OddParity);
    m_parity->addItem(tr("Mark"), QSerialPort::MarkParity);
    m_parity->addItem(tr("Space"), QSerialPort::SpaceParity);
    m_stopBits = addCombo(QStringLiteral("stopBits"), tr("Stop bits:"));
    m_stopBits->addItem(QStringLiteral("1"), QSerialPort::OneStop);
    m_stopBits->addItem(QStringLiteral("1.5"), QSerialPort::OneAndHalfStop);
    m_stopBits->addItem(QStringLiteral("2"), QSerialPort::TwoStop);
    m_flowControl = addCombo(QStringLiteral("flowControl"), tr("Flow control:"));
    m_flowControl->addItem(tr("None"), QSerialPort::NoFlowControl);
    m_flowControl->addItem(QStringLiteral("RTS/CTS"), QSerialPort::HardwareControl);
    m_flowControl->addItem(QStringLiteral("XON/XOFF"), QSerialPort::SoftwareControl);
    m_lineEnding = addCombo(QStringLiteral("lineEnding"), tr("Command line ending:"));
    m_lineEnding->addItem(QStringLiteral("CR LF"), int(at::LineEnding::CrLf));
    m_lineEnding->addItem(QStringLiteral("CR"), int(at::LineEnding::Cr));
    m_lineEnding->addItem(QStringLiteral("LF"), int(at::LineEnding::Lf));
    m_lineEnding->addItem(tr("None"), int(at::LineEnding::None));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->addWidget(buttons);
    setValues({}, at::LineEnding::CrLf);
}

QComboBox* LineDialog::addCombo(const QString& name, const QString& label) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    static_cast<QFormLayout*>(layout())->addRow(label, combo);
    // Only the user's picks: showing the port's values announces nothing.
    connect(combo, &QComboBox::activated, this, &LineDialog::changed);
    return combo;
}

void LineDialog::setValues(const at::LineSettings& line, at::LineEnding ending) {
    select(m_dataBits, line.dataBits);
    select(m_parity, line.parity);
    select(m_stopBits, line.stopBits);
    select(m_flowControl, line.flowControl);
    select(m_lineEnding, int(ending));
}

at::LineSettings LineDialog::line() const {
    at::LineSettings line;
    line.dataBits = QSerialPort::DataBits(m_dataBits->currentData().toInt());
    line.parity = QSerialPort::Parity(m_parity->currentData().toInt());
    line.stopBits = QSerialPort::StopBits(m_stopBits->currentData().toInt());
    line.flowControl = QSerialPort::FlowControl(m_flowControl->currentData().toInt());
    return line;
}

at::LineEnding LineDialog::lineEnding() const {
    return at::LineEnding(m_lineEnding->currentData().toInt());
}

PulseDialog::PulseDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("pulse-dialog"));
    setWindowTitle(tr("Pulse"));
    auto* form = new QFormLayout(this);
    m_lines = new QComboBox;
    m_lines->setObjectName(QStringLiteral("pulseLines"));
    m_lines->addItems(
        {QStringLiteral("DTR"), QStringLiteral("RTS"), tr("DTR, then RTS"), tr("RTS, then DTR")});
    form->addRow(tr("Invert:"), m_lines);
    m_time = new QSpinBox;
    m_time->setObjectName(QStringLiteral("pulseTime"));
    m_time->setRange(1, 60000);
    m_time->setSuffix(QStringLiteral(" ms"));
    form->addRow(tr("For:"), m_time);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setValues(Dtr, 100);
}

void PulseDialog::setValues(Lines lines, int ms) {
    m_lines->setCurrentIndex(qBound(0, int(lines), m_lines->count() - 1));
    m_time->setValue(ms);
}

PulseDialog::Lines PulseDialog::lines() const {
    return Lines(m_lines->currentIndex());
}

int PulseDialog::ms() const {
    return m_time->value();
}
