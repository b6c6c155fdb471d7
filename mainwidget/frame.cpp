#include "app/app.h"
#include "app/datafile.h"
#include "input/inputedit.h"
#include "mainwidget/baudfinder.h"
#include "mainwidget/filesender.h"
#include "mainwidget/findbar.h"
#include "mainwidget/linecontrol.h"
#include "mainwidget/linesender.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/portwatch.h"
#include "mainwidget/recorder.h"
#include "mainwidget/stepsdialog.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

MainWidget::MainWidget(QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("%1 %2").arg(app::name(), app::version()));

    auto* outerLayout = new QVBoxLayout;
    outerLayout->setContentsMargins(0, 0, 0, 0);
    outerLayout->setSpacing(5);
    QLayout* toolbar = createToolbarLayout();
    outerLayout->addLayout(toolbar, 0);

    m_splitter = new QSplitter;
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(createLogWidget());
    QWidget* userCommandsPanel = createUserCommandsWidget();
    userCommandsPanel->hide();
    m_splitter->addWidget(userCommandsPanel);

    auto* mainRow = new QHBoxLayout;
    mainRow->addWidget(m_splitter, 1);
    QWidget* commandListPanel = createCommandListWidget();
    mainRow->addWidget(commandListPanel, 0);
    outerLayout->addLayout(mainRow, 0);
    setLayout(outerLayout);

    m_client = new at::Client(this);
    connect(m_client, &at::Client::sended, this, &MainWidget::onAtClientSended);
    connect(m_client, &at::Client::sendedBinary, this, &MainWidget::onAtClientSendedBinary);
    connect(m_client, &at::Client::received, this, &MainWidget::onAtClientReceived);
    connect(m_client, &at::Client::receivedBinary, this, &MainWidget::onAtClientReceivedBinary);
    connect(m_client, &at::Client::errorOccured, this, &MainWidget::onAtClientErrorOccured);
    // A partial line shown at a close or an open is not continued by what comes next.
    connect(m_client, &at::Client::opened, this, &MainWidget::endOpenLine);
    connect(m_client, &at::Client::closed, this, &MainWidget::endOpenLine);
    // Names what was lost, so the user knows what to send again.
    connect(m_client, &at::Client::writeFailed, this,
            [this](const QByteArray& data, const QString& error) {
                insertTextToLog(
                    QString(),
                    tr("Not sent: %1 (%2)\r\n").arg(QString::fromLocal8Bit(data).trimmed(), error),
                    QColor(Qt::red));
            });
    // Logged once, like the port's own errors, until the port opens or the user tries again.
    connect(m_client, &at::Client::portInUse, this, [this](const QStringList& holders) {
        const QString error =
            tr("%1 is in use by %2")
                .arg(m_client->serialPort()->portName(), holders.join(QStringLiteral(", ")));
        if (error != std::exchange(m_lastPortError, error))
            insertTextToLog(QString(), tr("Serial port error:  %1\r\n").arg(error),
                            QColor(Qt::red));
    });

    connect(m_client, &at::Client::portRefused, this, [this](const QString& why) {
        if (why != std::exchange(m_lastPortError, why))
            insertTextToLog(QString(), tr("Serial port error:  %1\r\n").arg(why), QColor(Qt::red));
    });

    QSerialPort* port = m_client->serialPort();
    connect(m_portNameCombo, &wdt::serialport::PortNameCombo::portNameChanged, port,
            &QSerialPort::setPortName);
    connect(m_baudrateCombo, &wdt::serialport::BaudrateCombo::baudrateChanged, this,
            [this](int baudrate) { m_client->serialPort()->setBaudRate(baudrate); });
    port->setPortName(m_portNameCombo->portName());
    port->setBaudRate(m_baudrateCombo->baudrate());

    connect(m_client, &at::Client::opened, this, &MainWidget::onSerialPortStateChanged);
    connect(m_client, &at::Client::opened, this, [this] {
        m_lastPortError.clear();
        m_goneRepetitionTold = false;
    });
    connect(m_client, &at::Client::closed, this, &MainWidget::onSerialPortStateChanged);
    connect(port, &QSerialPort::errorOccurred, this, &MainWidget::onSerialPortErrorOccured);
    connect(m_openCloseButton, &QPushButton::clicked, this, &MainWidget::onSerialPortOpenClose);

    m_inputEdit->setFocus(Qt::OtherFocusReason);
    m_logEdit->setTypingTarget(m_inputEdit);
    onSerialPortStateChanged();

    auto* firmwareAction = new QAction(tr("Update firmware"), this);
    firmwareAction->setObjectName(QStringLiteral("update-firmware"));
    connect(firmwareAction, &QAction::triggered, this, &MainWidget::onWriteFirmware);

    m_menu->addAction(createVisibleAction(QStringLiteral("user-commands"), tr("User commands"),
                                          userCommandsPanel));
    m_menu->addAction(
        createVisibleAction(QStringLiteral("command-list"), tr("Command list"), commandListPanel));
    m_menu->addSeparator();
    m_menu->addAction(firmwareAction);
    createSessionActions();
    m_line = new LineControl(this, m_client);
    connect(m_line, &LineControl::entry, this, [this](const QString& text, const QColor& color) {
        insertTextToLog(QString(), text, color);
    });
    m_menu->addSeparator();
    for (QAction* action : m_line->actions()) {
        if (action)
            m_menu->addAction(action);
        else
            m_menu->addSeparator();
    }
    // Beside the rate it qualifies.
    static_cast<QBoxLayout*>(toolbar)->insertWidget(2, m_line->shapeLabel());

    m_portWatch = new PortWatch(m_client, m_portNameCombo, m_reconnectAction, this);
    connect(m_client, &at::Client::opened, m_portWatch, &PortWatch::portOpened);
    // Only the user's own pick: the chooser moves by itself only from an empty list.
    connect(m_portNameCombo, &QComboBox::activated, m_portWatch, &PortWatch::userChose);
    connect(m_portWatch, &PortWatch::reconnected, this, [this](const QString& port) {
        insertTextToLog(QString(), tr("Reconnected to %1\r\n").arg(port), QColor(Qt::darkGray));
    });
    connect(m_portWatch, &PortWatch::otherDevice, this, [this](const QString& port) {
        insertTextToLog(QString(), tr("Not reopened: %1 is another device now\r\n").arg(port),
                        QColor(Qt::red));
    });
    m_lineSender = new LineSender(this);
    m_fileSender = new FileSender(this);
    m_baudFinder = new BaudFinder(this);
    m_menu->addSeparator();
    m_menu->addActions(m_lineSender->actions());
    m_menu->addActions({m_fileSender->action(), m_baudFinder->action()});
    createExchangeActions();

    // The platform's Quit closes the window as its close button does, so that everything is
    // saved on the way out. Platforms that leave Quit to the window manager get Ctrl+Q.
    auto* quitAction = new QAction(this);
    quitAction->setObjectName(QStringLiteral("quit"));
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (quitKeys.isEmpty())
        quitKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAction->setShortcuts(quitKeys);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    addAction(quitAction);

    restore();

    connect(&UserCommands::_self, &UserCommands::sendCommand, this, &MainWidget::onSendCommand,
            Qt::QueuedConnection);

    // A desktop launch shows no stderr: a data file left unread is told where the user looks.
    for (const QString& refusal : datafile::takeRefusals())
        insertTextToLog(QString(), refusal + QStringLiteral("\r\n"), QColor(Qt::red));
}

MainWidget::~MainWidget() {
    save();
    // The client and its port go down with the children, after this part of the window is
    // gone: a signal they give on the way (a port closing) must not reach its slots.
    m_client->serialPort()->disconnect(this);
    m_client->disconnect(this);
    m_baudrateCombo->disconnect(this);
    // The record's last write, at its destruction, cannot be logged any more.
    m_recorder->disconnect(this);
    m_findBar->disconnect(this);
    m_portWatch->disconnect(this);
    m_line->disconnect(this);
    // Steps end unseen: the client goes before the dialog.
    if (m_stepsDialog) {
        m_stepsDialog->disconnect(this);
        m_client->serialPort()->disconnect(m_stepsDialog);
        m_stepsDialog->stop();
    }
}
