#include "faults/harness.h"
#include "common/dialogs.h"

#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <sys/resource.h>

namespace faults {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idleCpu(int ms) {
    const double before = cpuSeconds();
    QTest::qWait(ms);
    return cpuSeconds() - before;
}

double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

bool Window::create(const QString& path) {
    // The chooser lists extra device paths only while they exist.
    qputenv("KELVRA_EXTRA_PORTS", path.toLocal8Bit());
    m_widget = std::make_unique<MainWidget>();
    return choosePort(path);
}

void Window::destroy() {
    m_widget.reset();
}

at::Client* Window::client() const {
    return m_widget->findChild<at::Client*>();
}

QPushButton* Window::openClose() const {
    return m_widget->findChild<QPushButton*>(QStringLiteral("open-close"));
}

bool Window::choosersEnabled() const {
    return m_widget->findChild<wdt::serialport::PortNameCombo*>()->isEnabled() &&
           m_widget->findChild<wdt::serialport::BaudrateCombo*>()->isEnabled();
}

bool Window::choosePort(const QString& path) {
    auto* combo = m_widget->findChild<wdt::serialport::PortNameCombo*>();
    // A device that has just come back is listed at the chooser's next refresh.
    if (!QTest::qWaitFor([&] { return combo->contains(path); }, 3000))
        return false;
    combo->setPortName(path);
    return combo->portName() == path;
}

QString Window::log() const {
    return m_widget->findChild<LogEdit*>()->toPlainText();
}

void Window::type(const QString& text) {
    m_widget->findChild<QLineEdit*>(QStringLiteral("input"))->setText(text);
    m_widget->findChild<QPushButton*>(QStringLiteral("enter"))->click();
}

bool Window::atOk(int timeoutMs) {
    const qsizetype mark = log().size();
    type(QStringLiteral("AT"));
    return QTest::qWaitFor(
        [&] {
            const QString tail = log().mid(mark);
            const qsizetype at = tail.indexOf(QStringLiteral("<< AT\n"));
            return at >= 0 && tail.indexOf(QStringLiteral(">> OK"), at) > at;
        },
        timeoutMs);
}

bool Window::startFirmware(const QString& image) {
    QAction* action = m_widget->findChild<QAction*>(QStringLiteral("update-firmware"));
    if (!action)
        return false;
    bool chosen = false;
    QTimer chooser;
    chooser.setInterval(10);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        if (!chosen)
            chosen = test::acceptFileDialog(QApplication::activeModalWidget(), image);
    });
    chooser.start();
    action->trigger();
    return chosen && progressDialog();
}

QWidget* Window::progressDialog() const {
    return m_widget->findChild<QProgressDialog*>(QStringLiteral("firmware-progress"));
}

MessageBoxes::MessageBoxes() {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen << box->windowTitle() + QLatin1Char('|') + box->text();
        box->button(QMessageBox::Ok)->click();
    });
    m_timer.start();
}

} // namespace faults
