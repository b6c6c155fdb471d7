#pragma once

// What the suites of the real window share: the window itself, its modal dialogs, the module
// as a pseudo-terminal peer or the simulator, the data files.

#include "at/client.h"
#include "common/datafiles.h"
#include "common/modsim.h"
#include "common/ptypeer.h"
#include "input/inputedit.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace test {

// The real window on a chosen port, driven like a user would.
class Window {
public:
    // The port chooser lists path (it must exist now) and, with select, has it selected.
    bool create(const QString& path, bool select = true);
    void destroy() { m_widget.reset(); }

    MainWidget* widget() const { return m_widget.get(); }
    at::Client* client() const { return m_widget->findChild<at::Client*>(); }
    QSerialPort* port() const { return client()->serialPort(); }
    QPushButton* openClose() const { return find<QPushButton>("open-close"); }
    // InputEdit carries no meta-object of its own.
    InputEdit* input() const { return dynamic_cast<InputEdit*>(find<QLineEdit>("input")); }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    QAbstractButton* button(const QString& label) const;
    QWidget* progressDialog() const { return find<QProgressDialog>("firmware-progress"); }
    wdt::serialport::BaudrateCombo* baudrate() const {
        return find<wdt::serialport::BaudrateCombo>();
    }
    LogEdit* logEdit() const { return find<LogEdit>(); }
    bool choosersEnabled() const {
        return find<wdt::serialport::PortNameCombo>()->isEnabled() && baudrate()->isEnabled();
    }
    bool choosePort(const QString& path);
    QString log() const { return logEdit()->toPlainText(); }
    int count(const QString& text) const { return int(log().count(text)); }
    // Types text into the input line and presses Enter.
    void type(const QString& text);
    // Types AT and waits for the module's OK behind it.
    bool atOk(int timeoutMs = 3000);
    // Picks "Clear" in the log's context menu.
    void clearLog();
    // The dialog of "Line settings...", opened from the menu as a user does, and its choosers.
    QDialog* lineDialog();
    QComboBox* lineCombo(const QString& name) { return lineDialog()->findChild<QComboBox*>(name); }
    // Picks the item of that value there as a user does; false when it is not listed.
    bool pick(const QString& name, int value);

private:
    template <typename T> T* find(const QString& name = {}) const {
        return m_widget->findChild<T*>(name);
    }
    std::unique_ptr<MainWidget> m_widget;
};

// A new user command of value, repeating every period ms once switched on.
UserCommand& userCommand(const QString& value, quint32 period = 100);
// Repeats command every 100 ms until ticks sends were asked for, then stops; false if they never
// came.
bool repeat(UserCommand& command, int ticks = 3);

// Answers the modal dialogs that open inside the window's slots: every message box is
// recorded as "title|text" and closed with OK; other dialogs go to the handlers in
// order, and a handler returns false for a dialog it does not take.
class Modals : public QObject {
public:
    using Handler = std::function<bool(QWidget*)>;
    Modals();
    void add(Handler handler) { m_handlers.append(std::move(handler)); }
    // Answers the next file dialog with path (an empty one cancels it).
    void chooseFile(const QString& path);
    // Types hex into the next payload dialog and accepts it ("-" cancels); records its maximum.
    void payload(const QString& hex, int* maxSize = nullptr);

    int answered = 0;
    QStringList boxes;
    std::function<void()> onBox; // called as a box shows
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    QTimer m_timer;
    QList<Handler> m_handlers;
    QPointer<QWidget> m_last;
};

} // namespace test
