#include "mainwidget/findbar.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "mainwidget/recorder.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTimer>

namespace {

const QColor noteColor = QColor(Qt::darkGray);

// Scroll Lock cannot be a shortcut (the toolkit takes the lock keys for modifiers): its press
// anywhere in the window triggers the action.
class LockKey : public QObject {
public:
    LockKey(QWidget* window, QAction* action)
        : QObject(window)
        , m_window(window)
        , m_action(action) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() != Qt::Key_ScrollLock || !widget || widget->window() != m_window)
            return false;
        if (!key->isAutoRepeat())
            m_action->trigger();
        return true;
    }

private:
    QWidget* m_window;
    QAction* m_action;
};

// Calls back when the watched widget changes its size.
class ResizeHook : public QObject {
public:
    ResizeHook(QWidget* watched, std::function<void()> call)
        : QObject(watched)
        , m_call(std::move(call)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            m_call();
        return false;
    }

private:
    std::function<void()> m_call;
};

} // namespace

void MainWidget::addLogBars(QBoxLayout* layout) {
    m_findBar = new FindBar(m_logEdit);
    connect(m_findBar, &FindBar::openChanged, this, &MainWidget::updateSession);
    m_sessionLine = new QLabel;
    m_sessionLine->setObjectName(QStringLiteral("session-line"));
    m_sessionLine->setStyleSheet(
        QStringLiteral("QLabel {background-color: #fff4c2; padding: 2px 4px;}"));
    m_sessionLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the window past the screen: it is elided to the width the
    // line has, whole in the tooltip.
    m_sessionLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    new ResizeHook(m_sessionLine, [this] { updateSession(); });
    m_sessionLine->hide();
    layout->addWidget(m_sessionLine, 0);
    layout->addWidget(m_findBar, 0);
    // While paused the count of waiting entries is shown a few times a second, not per entry.
    m_sessionTimer = new QTimer(this);
    m_sessionTimer->setInterval(250);
    connect(m_sessionTimer, &QTimer::timeout, this, &MainWidget::updateSession);
}

void MainWidget::createSessionActions() {
    m_recorder = new Recorder(this);
    connect(m_recorder, &Recorder::failed, this, [this](const QString& error) {
        insertTextToLog(QString(),
                        tr("Recording stopped: %1: %2\r\n").arg(m_recorder->fileName(), error),
                        QColor(Qt::red));
        updateSession();
    });

    m_menu->addSeparator();
    m_recordAction = new QAction(tr("Record to file..."), this);
    m_recordAction->setObjectName(QStringLiteral("record"));
    connect(m_recordAction, &QAction::triggered, this, &MainWidget::onRecord);
    m_menu->addAction(m_recordAction);
    m_timesAction = createSwitch(QStringLiteral("show-times"), tr("Show times"), false);
    connect(m_timesAction, &QAction::toggled, this, &MainWidget::updateSession);
    m_reconnectAction = createSwitch(QStringLiteral("reconnect"), tr("Reconnect"), true);
    m_hexAction = createSwitch(QStringLiteral("show-hex"), tr("Show bytes as hex"), false);
    QAction* stayAction =
        createSwitch(QStringLiteral("stay-where-scrolled"), tr("Stay where I scroll"), false);
    m_logEdit->setStayWhereScrolled(stayAction->isChecked());
    connect(stayAction, &QAction::toggled, m_logEdit, &LogEdit::setStayWhereScrolled);
    m_menu->addActions({m_timesAction, m_hexAction, m_reconnectAction, stayAction});

    // The log's own: in its context menu, and keys that work anywhere in the window.
    m_pauseAction = new QAction(tr("Pause"), this);
    m_pauseAction->setObjectName(QStringLiteral("pause"));
    m_pauseAction->setCheckable(true);
    // Shown in the menu; the key itself is caught by a LockKey.
    m_pauseAction->setShortcut(QKeySequence(Qt::Key_ScrollLock));
    m_pauseAction->setShortcutContext(Qt::WidgetShortcut);
    new LockKey(this, m_pauseAction);
    connect(m_pauseAction, &QAction::toggled, this, &MainWidget::updateSession);
    auto* findAction = new QAction(tr("Find..."), this);
    findAction->setObjectName(QStringLiteral("find"));
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(findAction, &QAction::triggered, m_findBar, &FindBar::open);
    auto* nextAction = new QAction(this);
    nextAction->setShortcut(QKeySequence(Qt::Key_F3));
    connect(nextAction, &QAction::triggered, m_findBar, &FindBar::next);
    auto* previousAction = new QAction(this);
    previousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(previousAction, &QAction::triggered, m_findBar, &FindBar::previous);
    addActions({findAction, nextAction, previousAction});
    m_logEdit->addMenuActions({m_pauseAction, stayAction, findAction, m_hexAction});
    updateSession();
}

QAction* MainWidget::createSwitch(const QString& name, const QString& text, bool byDefault) {
    // Kept with the panels' switches: save() writes every checkable entry of the menu.
    QSettings settings;
    settings.beginGroup(QStringLiteral("view"));
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(settings.value(name, byDefault).toBool());
    return action;
}

void MainWidget::onRecord() {
    if (m_recorder->isRecording()) {
        m_recorder->stop();
        updateSession();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, tr("Record to file"), QString(),
                                                      tr("Text files (*.txt *.log);;All files (*)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    if (!m_recorder->start(path))
        insertTextToLog(QString(),
                        tr("Not recording: %1: %2\r\n").arg(path, m_recorder->errorString()),
                        QColor(Qt::red));
    updateSession();
}

void MainWidget::logEntry(qint64 time, const QString& prefix, const QString& text, QColor color) {
    static TimeText timeText(QStringLiteral("hh:mm:ss"));
    m_logEdit->appendEntry(prefix, text, color, time < 0 ? QString() : timeText(time));
}

void MainWidget::sessionEntry(const QString& prefix, const QString& text, QColor color) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!m_recorded)
        m_recorder->write(now, prefix, text);
    if (!m_paused && m_held.empty()) {
        logEntry(m_timesAction->isChecked() ? now : -1, prefix, text, color);
        return;
    }
    // Bounded as the log is, in entries and in characters: the oldest go first.
    m_held.push_back({now, prefix, text, color});
    m_heldLength += prefix.size() + text.size();
    while (m_held.size() > 1 && (m_held.size() > size_t(m_logEdit->maxEntries()) ||
                                 m_heldLength > m_logEdit->maxCharacters())) {
        m_heldLength -= m_held.front().prefix.size() + m_held.front().text.size();
        m_held.pop_front();
        ++m_heldDropped;
    }
}

void MainWidget::updateSession() {
    const bool paused = m_pauseAction->isChecked() || m_findBar->isOpen();
    const bool recording = m_recorder->isRecording();
    // Entries still waiting to be let in keep the later ones behind them.
    m_sessionActive = recording || paused || m_timesAction->isChecked() || !m_held.empty();
    m_recordAction->setText(recording ? tr("Stop recording") : tr("Record to file..."));
    const bool resumed = m_paused && !paused;
    m_paused = paused;
    if (resumed) {
        if (m_heldDropped > 0)
            logEntry(-1, QString(), tr("Entries dropped while paused: %1\r\n").arg(m_heldDropped),
                     noteColor);
        m_heldDropped = 0;
        releaseHeld();
    }

    QStringList parts;
    if (paused) {
        QString held = tr("Paused, entries waiting: %1").arg(m_held.size());
        if (m_heldDropped > 0)
            held += tr(", dropped: %1").arg(m_heldDropped);
        parts << held;
    }
    const QString separator = QStringLiteral("  \u00b7  ");
    if (recording) {
        const QFontMetrics metrics(m_sessionLine->font());
        const QString recordingTo = QStringLiteral("\u25cf ") + tr("Recording to %1");
        const int room =
            m_sessionLine->contentsRect().width() - 8 -
            metrics.horizontalAdvance(recordingTo.arg(QString()) +
                                      (paused ? separator + parts.first() : QString()));
        parts.prepend(recordingTo.arg(
            metrics.elidedText(m_recorder->fileName(), Qt::ElideMiddle, qMax(room, 60))));
    }
    m_sessionLine->setToolTip(recording ? m_recorder->fileName() : QString());
    m_sessionLine->setText(parts.join(separator));
    m_sessionLine->setVisible(!parts.isEmpty());
    if (paused != m_sessionTimer->isActive())
        paused ? m_sessionTimer->start() : m_sessionTimer->stop();
}

void MainWidget::releaseHeld() {
    // In slices of about 10 ms: tens of thousands at once would freeze the window for a second.
    QElapsedTimer clock;
    clock.start();
    const bool times = m_timesAction->isChecked();
    while (!m_paused && !m_held.empty() && clock.elapsed() < 10) {
        const Held& held = m_held.front();
        logEntry(times ? held.time : -1, held.prefix, held.text, held.color);
        m_heldLength -= held.prefix.size() + held.text.size();
        m_held.pop_front();
    }
    if (m_paused)
        return;
    if (m_held.empty())
        updateSession();
    else
        QTimer::singleShot(0, this, &MainWidget::releaseHeld);
}
