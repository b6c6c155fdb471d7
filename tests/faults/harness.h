#pragma once

#include "at/client.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class MainWidget;
class QPushButton;
class QWidget;

namespace faults {

// CPU seconds (user + system) this process has used so far.
double cpuSeconds();
// CPU seconds spent while the event loop runs for ms milliseconds; a busy loop shows here.
double idleCpu(int ms);
// Peak resident set of this process, in MiB.
double peakRssMiB();

// The real window on a chosen port, driven like a user would.
class Window {
public:
    // The port chooser lists path (it must exist now) and has it selected.
    bool create(const QString& path);
    void destroy();

    MainWidget* widget() const { return m_widget.get(); }
    at::Client* client() const;
    QPushButton* openClose() const;
    bool choosersEnabled() const;
    bool choosePort(const QString& path);
    QString log() const;
    int count(const QString& text) const { return int(log().count(text)); }
    // Types text into the input line and presses Enter.
    void type(const QString& text);
    // Types AT and waits for the module's OK behind it.
    bool atOk(int timeoutMs = 3000);
    // Starts a firmware update of image through the menu and the file dialog.
    bool startFirmware(const QString& image);
    QWidget* progressDialog() const;

private:
    std::unique_ptr<MainWidget> m_widget;
};

// Closes every message box that opens, recording "title|text" of each.
class MessageBoxes : public QObject {
public:
    MessageBoxes();
    QStringList seen;

private:
    QTimer m_timer;
};

} // namespace faults
