#include "mainwidget/progressbox.h"

#include "mainwidget/mainwidget.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ProgressBox::ProgressBox(const QString& name, QWidget* parent)
    : QDialog(parent)
    , m_label(new QLabel)
    , m_bar(new QProgressBar) {
    setObjectName(name);
    setModal(true);
    setWindowTitle(parent ? parent->windowTitle() : QString());
    auto* buttons = new QDialogButtonBox;
    QPushButton* cancel =
        buttons->addButton(MainWidget::tr("Cancel"), QDialogButtonBox::RejectRole);
    // Return must not cancel by the way: only Cancel, Escape or closing does.
    cancel->setAutoDefault(false);
    cancel->setDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void ProgressBox::setLabelText(const QString& text) {
    m_label->setText(text);
}

void ProgressBox::setRange(int minimum, int maximum) {
    m_bar->setRange(minimum, maximum);
}

void ProgressBox::setValue(int value) {
    m_bar->setValue(value);
}

int ProgressBox::value() const {
    return m_bar->value();
}

int ProgressBox::maximum() const {
    return m_bar->maximum();
}

QString ProgressBox::labelText() const {
    return m_label->text();
}
