#include "mainwidget/findbar.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

FindBar::FindBar(QTextEdit* log, QWidget* parent)
    : QWidget(parent)
    , m_log(log)
    , m_edit(new QLineEdit)
    , m_count(new QLabel) {
    setObjectName(QStringLiteral("find-bar"));
    m_edit->setObjectName(QStringLiteral("find"));
    m_edit->setClearButtonEnabled(true);
    m_edit->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("find-count"));
    const auto button = [this](Qt::ArrowType arrow, const QString& toolTip) {
        auto* b = new QToolButton;
        b->setAutoRaise(true);
        b->setArrowType(arrow);
        b->setToolTip(toolTip);
        return b;
    };
    QToolButton* previousButton = button(Qt::UpArrow, tr("Previous match (Shift+F3)"));
    QToolButton* nextButton = button(Qt::DownArrow, tr("Next match (F3)"));
    auto* closeButton = new QToolButton;
    closeButton->setAutoRaise(true);
    closeButton->setText(QStringLiteral("\u2715"));
    closeButton->setToolTip(tr("Close (Escape)"));

    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(4, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(new QLabel(tr("Find:")), 0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_count, 0);
    layout->addWidget(previousButton, 0);
    layout->addWidget(nextButton, 0);
    layout->addWidget(closeButton, 0);
    setLayout(layout);
    hide();

    connect(previousButton, &QToolButton::clicked, this, &FindBar::previous);
    connect(nextButton, &QToolButton::clicked, this, &FindBar::next);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::dismiss);
    connect(m_edit, &QLineEdit::textEdited, this, &FindBar::restart);
    // "Clear" (or a trim) while the bar is open: count afresh.
    connect(m_log->document(), &QTextDocument::contentsChanged, this, [this] {
        if (isOpen())
            restart();
    });
    m_scanTimer.setInterval(0);
    connect(&m_scanTimer, &QTimer::timeout, this, &FindBar::scan);
}

void FindBar::open() {
    if (!isOpen()) {
        show();
        emit openChanged(true);
        m_current = -1;
        restart();
    }
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void FindBar::dismiss() {
    if (!isOpen())
        return;
    m_scanTimer.stop();
    m_log->setExtraSelections({});
    hide();
    m_log->setFocus(Qt::OtherFocusReason);
    emit openChanged(false);
}

void FindBar::next() {
    step(1);
}

void FindBar::previous() {
    step(-1);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::restart() {
    // Typing on keeps the match in view when it still matches: search on from its start.
    if (m_current >= 0 && m_current < int(m_matches.size()))
        m_anchor = m_matches[size_t(m_current)];
    else
        m_anchor = m_log->cursorForPosition(QPoint(0, 0)).position();
    m_needle = m_edit->text();
    m_matches.clear();
    m_current = -1;
    m_log->setExtraSelections({});
    m_count->clear();
    m_block = m_needle.isEmpty() ? QTextBlock() : m_log->document()->begin();
    if (m_block.isValid()) {
        m_count->setText(QStringLiteral("\u2026"));
        m_scanTimer.start();
    } else {
        m_scanTimer.stop();
    }
}

void FindBar::scan() {
    if (scanSlice())
        return;
    m_scanTimer.stop();
    if (m_matches.empty()) {
        m_count->setText(tr("No matches"));
        return;
    }
    const auto at = std::lower_bound(m_matches.begin(), m_matches.end(), m_anchor);
    select(at == m_matches.end() ? 0 : int(at - m_matches.begin()));
}

bool FindBar::scanSlice() {
    // About a frame's time of work, then back to the event loop.
    QElapsedTimer clock;
    clock.start();
    while (m_block.isValid()) {
        for (int i = 0; i < 256 && m_block.isValid(); ++i, m_block = m_block.next()) {
            const QString text = m_block.text();
            for (qsizetype at = text.indexOf(m_needle, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(m_needle, at + m_needle.size(), Qt::CaseInsensitive))
                m_matches.push_back(m_block.position() + int(at));
        }
        if (clock.elapsed() >= 10)
            return m_block.isValid();
    }
    return false;
}

void FindBar::step(int by) {
    if (!isOpen()) {
        open();
        if (m_needle.isEmpty())
            return;
    }
    // A step before the count is done finishes it first, which shows the next match.
    if (m_scanTimer.isActive()) {
        while (scanSlice()) {
        }
        scan();
        if (by > 0)
            return;
    }
    const int count = int(m_matches.size());
    if (count == 0)
        return;
    select(m_current < 0 ? 0 : ((m_current + by) % count + count) % count);
}

void FindBar::select(int index) {
    m_current = index;
    const int at = m_matches[size_t(index)];
    QTextCursor cursor(m_log->document());
    cursor.setPosition(at);
    cursor.setPosition(at + int(m_needle.size()), QTextCursor::KeepAnchor);
    m_log->setTextCursor(cursor);
    // Shown while the focus is in the field, where the selection is drawn inactive.
    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(QColor(255, 220, 0));
    mark.format.setForeground(Qt::black);
    m_log->setExtraSelections({mark});
    m_count->setText(tr("%1 of %2").arg(index + 1).arg(m_matches.size()));
}
