#include "mainwidget/linesender.h"

#include "at/binarycommand.h"
#include "at/escapes.h"
#include "at/line.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {
// Behind this much unsent output the next pasted line waits: a slow line is not flooded.
constexpr qint64 pasteBacklog = 4096;
} // namespace

LineSender::LineSender(MainWidget* window)
    : QObject(window)
    , m_window(window)
    , m_pump(new QTimer(this)) {
    m_bareAction = new QAction(MainWidget::tr("Send without line ending"), this);
    m_bareAction->setObjectName(QStringLiteral("send-bare"));
    // Shown in the menu; the key itself is taken from the input line by eventFilter().
    m_bareAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return));
    m_bareAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_bareAction, &QAction::triggered, this, [this] { enter(false); });
    m_escapesAction =
        window->createSwitch(QStringLiteral("escapes"), MainWidget::tr("Escapes"), false);
    m_escapesAction->setToolTip(
        MainWidget::tr("\\r \\n \\t \\\\ and \\xHH in a typed command stand for their bytes"));
    m_pump->setSingleShot(true);
    connect(m_pump, &QTimer::timeout, this, &LineSender::sendNextLine);
    m_edit = window->m_inputEdit;
    m_edit->installEventFilter(this);
}

QList<QAction*> LineSender::actions() const {
    return {m_bareAction, m_escapesAction};
}

bool LineSender::escaping() const {
    return m_escapesAction->isChecked();
}

bool LineSender::eventFilter(QObject* watched, QEvent* event) {
    // Events still come while the window is torn down, when it is no MainWidget any more:
    // nothing of it is touched for them.
    InputEdit* edit = m_edit;
    if (watched != edit)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::ShiftModifier) {
            enter(false);
            return true;
        }
        if (key == QKeySequence::Paste)
            return paste(QApplication::clipboard()->text());
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection())
            return paste(QApplication::clipboard()->text(QClipboard::Selection));
    } else if (event->type() == QEvent::ContextMenu) {
        // The line's own menu, its Paste taking several lines as the keys do.
        QMenu* menu = edit->createStandardContextMenu();
        for (QAction* action : menu->actions()) {
            if (action->objectName() != QStringLiteral("edit-paste"))
                continue;
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, edit, [this, edit] {
                if (!paste(QApplication::clipboard()->text()))
                    edit->paste();
            });
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return false;
}

void LineSender::enter(bool ending) {
    InputEdit* edit = m_window->m_inputEdit;
    edit->setFocus();
    if (m_window->refuseGonePort(MainWidget::Opener::User)) {
        return;
    }
    // Refused before the line is taken: the text stays to be mended where it is wrong.
    if (escaping() && !at::parseBinaryCommand(edit->text()).recognised() &&
        refuseBadEscape(edit->text(), QString())) {
        edit->setCursorPosition(int(at::unescape(edit->text()).errorAt));
        return;
    }
    const QString text = edit->input();
    if (!m_window->openChosenPort(MainWidget::Opener::User))
        return;
    // A binary write goes with its line end and payload, the switches notwithstanding.
    if (m_window->checkBinary(text, true))
        return;
    send(text, ending);
}

void LineSender::send(const QString& text, bool ending) {
    if (!escaping() && ending) {
        m_window->m_client->userCommand(text, QByteArray());
        return;
    }
    QByteArray bytes = escaping() ? at::unescape(text).bytes : text.toLocal8Bit();
    if (ending && !bytes.endsWith('\n'))
        bytes += at::lineEndingBytes(m_window->m_client->lineEnding());
    m_window->m_client->userBytes(bytes);
}

bool LineSender::refuseBadEscape(const QString& text, const QString& where) {
    const qsizetype at = at::unescape(text).errorAt;
    if (at < 0)
        return false;
    m_window->insertTextToLog(
        QString(),
        MainWidget::tr("Not sent: %1%2: %3 is no escape; known: \\r \\n \\t \\\\ \\xHH\r\n")
            .arg(where, text, text.mid(at, 4)),
        QColor(Qt::red));
    return true;
}

bool LineSender::paste(const QString& text) {
    QStringList lines;
    // A lone CR ends a line too (text from old Macs, from terminals).
    QString split = text;
    split.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString& line : split.split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            lines.append(line);
    }
    if (lines.size() < 2)
        return false;
    const auto refuse = [this](const QString& why) {
        m_window->insertTextToLog(QString(), why, QColor(Qt::red));
        return true;
    };
    if (isPasting())
        return refuse(MainWidget::tr("Not sent: the last paste is still being sent\r\n"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString where = MainWidget::tr("line %1 of the paste, ").arg(i + 1);
        // Its payload cannot come from a paste, and the lines after it would be taken for it.
        if (at::parseBinaryCommand(lines.at(i)).recognised())
            return refuse(MainWidget::tr("Not sent: %1%2 needs a payload; send it by hand\r\n")
                              .arg(where, lines.at(i)));
        if (escaping() && refuseBadEscape(lines.at(i), where))
            return true;
    }

    m_confirm = new QMessageBox(
        QMessageBox::Question, MainWidget::tr("Paste"),
        MainWidget::tr("Send %n lines, each as a command of its own?", nullptr, int(lines.size())),
        QMessageBox::Ok | QMessageBox::Cancel, m_window);
    m_confirm->setObjectName(QStringLiteral("paste-confirm"));
    m_confirm->button(QMessageBox::Ok)->setText(MainWidget::tr("Send"));
    // Keys still coming from the typing that was going on must not send the lines.
    m_confirm->setDefaultButton(QMessageBox::Cancel);
    m_confirm->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_confirm, &QMessageBox::finished, this, [this, lines, box = m_confirm] {
        m_confirm = nullptr;
        if (box->standardButton(box->clickedButton()) != QMessageBox::Ok)
            return;
        m_lines = lines;
        m_pasted = int(lines.size());
        m_pump->start(0);
    });
    m_confirm->open();
    return true;
}

void LineSender::sendNextLine() {
    if (m_lines.isEmpty())
        return;
    // Only the first line opens the port: one closed since, by the user too, ends the paste.
    const bool first = m_lines.size() == m_pasted;
    if (m_window->refuseGonePort(MainWidget::Opener::User) ||
        (!first && !m_window->m_client->serialPort()->isOpen()) ||
        !m_window->openChosenPort(MainWidget::Opener::User)) {
        stopPaste();
        return;
    }
    if (m_window->m_client->serialPort()->bytesToWrite() > pasteBacklog) {
        m_pump->start(10);
        return;
    }
    const QString line = m_lines.takeFirst();
    m_window->m_inputEdit->history.add(line);
    send(line, true);
    if (!m_lines.isEmpty())
        m_pump->start(0);
}

void LineSender::stopPaste() {
    const int sent = m_pasted - int(m_lines.size());
    m_lines.clear();
    m_window->insertTextToLog(
        QString(), MainWidget::tr("Paste stopped: %1 of %2 lines sent\r\n").arg(sent).arg(m_pasted),
        QColor(Qt::red));
}
