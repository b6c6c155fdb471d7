#pragma once

#include "at/client.h"

#include <QColor>
#include <QList>
#include <QSerialPort>
#include <QSet>
#include <QString>
#include <QWidget>

#include <deque>
#include <functional>

class BaudFinder;
class ExchangeView;
class FileSender;
class FindBar;
class LineControl;
class LineSender;
class StepsDialog;
class LogEdit;
class InputEdit;
class QAction;
class QBoxLayout;
class QLabel;
class QLayout;
class QMenu;
class QModelIndex;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QTableView;
class QTimer;
class QToolButton;
class PortWatch;
class QVBoxLayout;
class Recorder;

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

    // The port and rate of the command line: chosen (a port the system does not list is listed
    // all the same) and, with a port, opened as the Open button does. Empty, 0: left as they are.
    void openAtStart(const QString& port, qint32 baudrate);

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
    // The sending additions reach the port through the window's own checks.
    friend class BaudFinder;
    friend class FileSender;
    friend class LineSender;

    // log
    QWidget* createLogWidget();
    void insertTextToLog(const QString& prefix, const QString& text, QColor color);
    // Appends an entry to the log; time (milliseconds since the epoch) is shown when >= 0.
    void logEntry(qint64 time, const QString& prefix, const QString& text, QColor color);
    // The entry of bytes sent or received, as text or as a binary block.
    void logData(const QString& prefix, const QByteArray& data, bool binary, const QColor& color);
    // hexIndent: not empty when the bytes are shown as hex rows, which it puts under the first.
    void recordWhole(const QString& prefix, const QByteArray& data, bool binary,
                     const QString& hexIndent);
    // "Show bytes as hex" is on: every entry of bytes is rows of hex.
    bool showsHex() const;
    void endOpenLine();

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
    // The one rule for everything that opens the port for the user or a repetition: nothing
    // is opened while the chosen device is gone (said in the log), and what the user opens
    // gets the focus to the input line.
    enum class Opener { User, Button, Repetition };
    bool openChosenPort(Opener opener);
    bool refuseGonePort(Opener opener);

    // catalogue
    QWidget* createCommandListWidget();
    QPushButton* createCommandButton(const QString& text, const QString& toolTip,
                                     std::function<void()> action);
    void addCommandRow(const QList<Button>& buttons);

    // user commands panel
    QWidget* createUserCommandsWidget();

    // session: the switches, recording, times, pause and find
    void addLogBars(QBoxLayout* layout);
    void createSessionActions();
    QAction* createSwitch(const QString& name, const QString& text, bool byDefault);
    void onRecord();
    void sessionEntry(const QString& prefix, const QString& text, QColor color);
    void updateSession();
    void releaseHeld();

    // exchanges: the exchanges view, failed answers marked, steps run from the window
    void createExchangeActions();
    void showExchangeEntry(qint64 logPosition, const QString& command);
    bool stepsRunning() const;

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
    // Repeating binary writes already refused in the log.
    QSet<QString> m_refusedRepetitions;
    // A repetition refused for a gone device is said once, until the port opens again.
    bool m_goneRepetitionTold = false;
    QTimer* m_sessionTimer = nullptr;

    PortWatch* m_portWatch = nullptr;

    Recorder* m_recorder = nullptr;
    LineSender* m_lineSender = nullptr;
    FileSender* m_fileSender = nullptr;
    BaudFinder* m_baudFinder = nullptr;
    FindBar* m_findBar = nullptr;
    LineControl* m_line = nullptr;
    QLabel* m_sessionLine = nullptr;
    QAction* m_recordAction = nullptr;
    QAction* m_timesAction = nullptr;
    QAction* m_reconnectAction = nullptr;
    QAction* m_pauseAction = nullptr;
    QAction* m_hexAction = nullptr;
    // Entries go through sessionEntry() (recorded, timed or held) rather than straight in.
    bool m_sessionActive = false;
    bool m_paused = false;
    struct Held {
        qint64 time;
        QString prefix;
        QString text;
        QColor color;
    };
    ExchangeView* m_exchangeView = nullptr;
    QAction* m_exchangesAction = nullptr;
    QAction* m_markFailedAction = nullptr;
    StepsDialog* m_stepsDialog = nullptr;
    std::deque<Held> m_held; // arrived while paused, oldest first
    qint64 m_heldLength = 0; // their characters
    qint64 m_heldDropped = 0;
    // The last entry is a line without its end: received text, which its next piece continues,
    // or a command sent without its ending.
    bool m_lineOpen = false;
    bool m_lineContinues = false;
    bool m_openBySend = false; // the open line is a command sent without its ending
    // The open line ends before anything but the next piece of a received line.
    bool lineEndDue() const { return m_lineOpen && (!m_lineContinues || m_openBySend); }
    // The entry going in is in the recording already (whole, where the log shows less).
    bool m_recorded = false;
};
