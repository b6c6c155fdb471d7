#pragma once

#include "at/client.h"

#include <QColor>
#include <QList>
#include <QSerialPort>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>

class LogEdit;
class InputEdit;
class QAction;
class QLayout;
class QMenu;
class QModelIndex;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace wdt::serialport {
class PortNameCombo;
class BaudrateCombo;
} // namespace wdt::serialport

// The one top-level window. Its definitions are split by concern over the
// sources of this directory: frame, log, toolbar, settings, firmware,
// dispatch, catalogue and the user commands panel.
class MainWidget : public QWidget {
    Q_OBJECT
public:
    explicit MainWidget(QWidget* parent = nullptr);
    ~MainWidget() override;

    // One button of the built-in command catalogue.
    struct Button {
        QString text;
        QString toolTip;
        std::function<void()> action;
    };

    static QToolButton* createToolButton(const QString& text, const QString& icon,
                                         const QString& toolTip);

private slots:
    void onWriteFirmware();
    void onAtClientSended(const QByteArray& data);
    void onAtClientSendedBinary(const QByteArray& data);
    void onAtClientReceived(const QByteArray& data);
    void onAtClientReceivedBinary(const QByteArray& data);
    void onAtClientErrorOccured(at::Error err);
    void onAtClientFirmwareUpdateProgress(int writed);
    void onAtClientFirmwareUpdateCompleated(at::Error err);
    void onFirmwareUpdateCancel();
    void onSerialPortStateChanged();
    void onSerialPortOpenClose();
    void onSerialPortErrorOccured(QSerialPort::SerialPortError error);
    void onAddUserCommand();
    void onRemoveUserCommands();
    void onUserCommandsDoubleClicked(const QModelIndex& index);
    void onSendCommand(const QString& command);
    void enter();

private:
    // log
    QWidget* createLogWidget();
    void insertTextToLog(const QString& prefix, const QString& text, QColor color);

    // toolbar
    QLayout* createToolbarLayout();
    QAction* createVisibleAction(const QString& name, const QString& text, QWidget* panel);

    // settings
    void save();
    void restore();

    // firmware
    void progressDialogFree();

    // dispatch
    void input(const QString& text, bool send, int cursorPosition = -1);
    bool checkBinary(const QString& command, bool restoreInput);
    // The device of the port vanished and the user has not picked a port since.
    bool awaitsPortChoice() const;
    void tellPortGone();
    // Opens the port for a command the user sends.
    bool openForUser();

    // catalogue
    QWidget* createCommandListWidget();
    QPushButton* createCommandButton(const QString& text, const QString& toolTip,
                                     std::function<void()> action);
    void addCommandRow(const QList<Button>& buttons);

    // user commands panel
    QWidget* createUserCommandsWidget();

    wdt::serialport::PortNameCombo* m_portNameCombo = nullptr;
    wdt::serialport::BaudrateCombo* m_baudrateCombo = nullptr;
    QPushButton* m_openCloseButton = nullptr;
    LogEdit* m_logEdit = nullptr;
    InputEdit* m_inputEdit = nullptr;
    QTableView* m_userCommandsView = nullptr;
    QVBoxLayout* m_commandListLayout = nullptr;
    QProgressDialog* m_progressDialog = nullptr;
    QMenu* m_menu = nullptr;
    QSplitter* m_splitter = nullptr;
    at::Client* m_client = nullptr;

    // The port error last logged; the same error is not logged again until the port opens
    // or the user tries again.
    QString m_lastPortError;
    // The port whose device vanished; sends wait for it, not for the chooser's fallback,
    // until the user picks a port or presses Open.
    QString m_lostPort;
    // Repeating binary writes already refused in the log.
    QSet<QString> m_refusedRepetitions;
};
