#include "mainwidget/mainwidget.h"
#include "mainwidget/portwatch.h"
#include "svg/svg.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QColor>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

QLayout* MainWidget::createToolbarLayout() {
    m_portNameCombo = new wdt::serialport::PortNameCombo;
    m_portNameCombo->setObjectName(QStringLiteral("port"));
    m_baudrateCombo = new wdt::serialport::BaudrateCombo;
    m_baudrateCombo->setObjectName(QStringLiteral("baudrate"));
    m_openCloseButton = new QPushButton;
    m_openCloseButton->setObjectName(QStringLiteral("open-close"));

    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(5, 5, 5, 0);
    layout->addWidget(m_portNameCombo, 0);
    layout->addWidget(m_baudrateCombo, 0);
    layout->addWidget(m_openCloseButton, 0);
    layout->addStretch(0);

    m_menu = new QMenu(this);

    auto* moreButton = new QToolButton;
    moreButton->setObjectName(QStringLiteral("more"));
    moreButton->setAutoRaise(true);
    moreButton->setText(QStringLiteral("..."));
    moreButton->setIcon(QIcon(svg::render(QStringLiteral(":/more.svg"), 16, -1, 0)));
    moreButton->setCheckable(true);
    layout->addWidget(moreButton, 0);

    connect(moreButton, &QToolButton::clicked, this, [this, moreButton] {
        m_menu->show();
        // Hang the menu under the button, right edges aligned; sizes are known once shown.
        const QPoint topLeft = moreButton->mapTo(this, QPoint(0, 0));
        m_menu->move(mapToGlobal(topLeft) +
                     QPoint(moreButton->width() - m_menu->width(), moreButton->height()));
    });
    connect(m_menu, &QMenu::aboutToShow, moreButton,
            [moreButton] { moreButton->setChecked(true); });
    connect(m_menu, &QMenu::aboutToHide, moreButton,
            [moreButton] { moreButton->setChecked(false); });
    return layout;
}

QToolButton* MainWidget::createToolButton(const QString& text, const QString& icon,
                                          const QString& toolTip) {
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setText(text);
    button->setIcon(QIcon(svg::render(icon, 16, -1, 0)));
    button->setToolTip(toolTip);
    return button;
}

QAction* MainWidget::createVisibleAction(const QString& name, const QString& text, QWidget* panel) {
    bool shown = !panel->isHidden();
    QSettings settings;
    settings.beginGroup(QStringLiteral("view"));
    if (settings.contains(name)) {
        const bool stored = settings.value(name, shown).toBool();
        if (stored != shown)
            panel->setVisible(stored);
        shown = stored;
    }
    settings.endGroup();

    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(shown);
    connect(action, &QAction::toggled, panel, &QWidget::setVisible);
    return action;
}

void MainWidget::openAtStart(const QString& port, qint32 baudrate) {
    if (baudrate > 0)
        m_baudrateCombo->chooseBaudrate(baudrate);
    if (port.isEmpty())
        return;
    m_portNameCombo->choosePort(port);
    openChosenPort(Opener::Button);
}

void MainWidget::onSerialPortOpenClose() {
    if (m_client->serialPort()->isOpen()) {
        m_client->serialPortClose(true);
        return;
    }
    openChosenPort(Opener::Button);
}

void MainWidget::onSerialPortStateChanged() {
    const bool open = m_client->serialPort()->isOpen();
    m_portNameCombo->setEnabled(!open);
    m_baudrateCombo->setEnabled(!open);
    m_openCloseButton->setText(open ? tr("Close") : tr("Open"));
}

void MainWidget::onSerialPortErrorOccured(QSerialPort::SerialPortError error) {
    QSerialPort* port = m_client->serialPort();
    // A repeating command retries a missing device every tick, a lost device repeats its
    // error on every pass of the event loop: one entry tells it all until the port has been
    // open again or the user tries once more.
    if (error != QSerialPort::NoError && port->errorString() != m_lastPortError) {
        m_lastPortError = port->errorString();
        insertTextToLog(QString(), tr("Serial port error:  %1\r\n").arg(m_lastPortError),
                        QColor(Qt::red));
    }
    // The device is gone (unplugged, or its terminal closed: a pseudo-terminal reports its
    // end as ReadError, a removed adapter as ResourceError). Left open, the port reports
    // the same error again on every pass of the event loop, and a running transaction
    // waits for answers that cannot come. Closed once the port's own handling returned.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) &&
        port->isOpen()) {
        m_portWatch->portLost();
        QTimer::singleShot(0, this, [this] {
            if (m_client->serialPort()->isOpen())
                m_client->serialPortClose(true);
        });
    }
    onSerialPortStateChanged();
}
