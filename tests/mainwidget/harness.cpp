#include "mainwidget/harness.h"

#include "input/binarydialog.h"
#include "input/binaryeditor.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace test {

bool Window::create(const QString& path, bool select) {
    // The chooser lists extra device paths only while they exist.
    qputenv("KELVRA_EXTRA_PORTS", path.toLocal8Bit());
    m_widget = std::make_unique<MainWidget>();
    return !select || choosePort(path);
}

QAbstractButton* Window::button(const QString& label) const {
    for (QAbstractButton* b : m_widget->findChildren<QAbstractButton*>()) {
        if (b->text() == label)
            return b;
    }
    return nullptr;
}

bool Window::choosePort(const QString& path) {
    auto* combo = m_widget->findChild<wdt::serialport::PortNameCombo*>();
    // A device that has just come back is listed at the chooser's next refresh.
    if (!QTest::qWaitFor([&] { return combo->contains(path); }, 10000))
        return false;
    combo->setPortName(path);
    return combo->portName() == path;
}

UserCommand& userCommand(const QString& value, quint32 period) {
    UserCommand& command = UserCommands::_self.command(UserCommands::_self.append());
    command.setValue(value);
    command.setPeriod(period);
    return command;
}

bool repeat(UserCommand& command, int ticks) {
    QSignalSpy sent(&UserCommands::_self, &UserCommands::sendCommand);
    command.setPeriod(100);
    command.setAuto(true);
    const bool came = QTest::qWaitFor([&] { return sent.size() >= ticks; });
    command.setAuto(false);
    return came;
}

void Window::type(const QString& text) {
    input()->clear();
    QTest::keyClicks(input(), text);
    QTest::keyClick(input(), Qt::Key_Return);
}

void Window::clearLog() {
    QTimer pick;
    QObject::connect(&pick, &QTimer::timeout, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                action->text() == "Clear" ? action->trigger() : void();
            menu->close();
        }
    });
    pick.start(10);
    QWidget* viewport = logEdit()->viewport();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, {1, 1},
                                viewport->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(viewport, &menuEvent);
}

QDialog* Window::lineDialog() {
    action(QStringLiteral("line-settings"))->trigger();
    return find<QDialog>(QStringLiteral("line-settings-dialog"));
}

bool Window::pick(const QString& name, int value) {
    QComboBox* combo = lineCombo(name);
    const int index = combo->findData(value);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return index >= 0;
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

Modals::Modals() {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->windowTitle() + QLatin1Char('|') + box->text();
            icon = box->icon();
            if (onBox)
                onBox();
            m_last = modal;
            box->button(QMessageBox::Ok)->click();
        } else if (!m_handlers.isEmpty() && m_handlers.first()(modal)) {
            m_last = modal;
            m_handlers.removeFirst();
            ++answered;
        }
    });
    m_timer.start();
}

void Modals::chooseFile(const QString& path) {
    add([path](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return false;
        // selectFile() leaves the name field alone while it has the focus, and the dialog then
        // accepts nothing; the typed name is what a user would give.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            dialog->selectFile(path);
        path.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
        return !dialog->isVisible(); // not taken yet: again on a later turn of the event loop
    });
}

void Modals::payload(const QString& hex, int* maxSize) {
    add([=](QWidget* w) {
        auto* d = qobject_cast<BinaryDialog*>(w);
        if (d && maxSize)
            *maxSize = d->maxDataSize();
        if (d)
            QTest::keyClicks(d->findChild<BinaryEditor*>(), hex == "-" ? QString() : hex);
        if (d)
            hex == "-" ? d->reject() : d->accept();
        return d != nullptr;
    });
}

} // namespace test
