#include "mainwidget/logedit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextOption>

namespace {

// Unshaped, a control character is drawn as nothing (shaped, as a box), a combining mark
// beside its letter and Arabic without its joins. Below the combining marks every other
// character looks the same either way. Bytes that are no UTF-8 (replacement characters) make
// the entry line noise, a wrong baud rate or a device waking up: no shaping makes that
// readable, and shaping its many scripts costs twice the rest of its layout.
bool needsShaping(const QString& text) {
    bool needs = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ReplacementCharacter)
            return false;
        if (u >= 0x300 || (u < 0x20 && u != u'\n' && u != u'\r' && u != u'\t') ||
            (u >= 0x7f && u < 0xa0))
            needs = true;
    }
    return needs;
}

} // namespace

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {
    // Each line starts with its prefix and lines share blocks: all run left to right, the text
    // of a line ordered as its script wants, not a whole block by its first letter.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    m_timeFormat.setForeground(QBrush(Qt::gray));
    m_prefixFormat.setForeground(QBrush(Qt::black));
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &LogEdit::flush);
}

LogEdit::~LogEdit() {
    if (m_appending)
        m_append.endEditBlock();
}

void LogEdit::appendEntry(const QString& prefix, const QString& text, const QColor& color,
                          const QString& time) {
    const QTextCursor view = textCursor();
    if (view.hasSelection() || !view.atEnd()) {
        // Laid out first, so the view can be put at the end at once.
        flush();
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
    }
    // The view's cursor, resting at the end, travels with the text inserted there.
    QTextCursor& cursor = appendCursor();
    const int start = cursor.position();
    m_lastEntryStart = m_removed + start;
    if (!time.isEmpty())
        cursor.insertText(time, m_timeFormat);
    if (!prefix.isEmpty())
        cursor.insertText(prefix, m_prefixFormat);
    if (color != m_textColor) {
        // Most entries have the colour of the one before: their formats are kept.
        m_textColor = color;
        m_textFormat.setForeground(QBrush(color));
        m_shapedFormat = m_textFormat;
        m_shapedFormat.setFontStyleStrategy(QFont::PreferDefault);
    }
    cursor.insertText(withLineEnds(text), needsShaping(text) ? m_shapedFormat : m_textFormat);
    const int length = cursor.position() - start;
    entryAppended(length);
    m_frameCharacters += length;
    if (m_frameCharacters >= frame_characters)
        flush();
}

QString LogEdit::withLineEnds(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\n' && c != u'\r')
            continue;
        out.append(QStringView(text).mid(from, i - from));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        from = i + 1;
        if (++m_blockLines < lines_per_block) {
            out.append(QChar::LineSeparator);
        } else {
            out.append(u'\n');
            m_blockLines = 0;
        }
    }
    out.append(QStringView(text).mid(from));
    return out;
}

QTextCursor& LogEdit::appendCursor() {
    if (!m_appending) {
        // Made afresh for each frame: the log may have been cleared in between.
        m_append = QTextCursor(document());
        m_append.movePosition(QTextCursor::End);
        m_append.beginEditBlock();
        m_appending = true;
        const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : frame_ms;
        m_frame.start(int(qMax<qint64>(0, frame_ms - since)));
    }
    return m_append;
}

void LogEdit::flush() {
    m_frame.stop();
    m_sinceFlush.start();
    if (!m_appending)
        return;
    m_appending = false;
    m_frameCharacters = 0;
    m_append.endEditBlock();
    // In an edit block of its own: sharing one with the appended entries would lay out the
    // whole log again, not just move it up.
    if (m_trimDue)
        trim();
    ensureCursorVisible();
}

void LogEdit::setMaxEntries(int count) {
    m_maxEntries = qMax(1, count);
}

void LogEdit::setMaxCharacters(qint64 count) {
    m_maxCharacters = qMax<qint64>(1, count);
}

void LogEdit::entryAppended(int length) {
    m_entries.push_back(length);
    m_entriesLength += length;
    if (m_entries.size() >= 2 * size_t(m_maxEntries) || m_entriesLength >= 2 * m_maxCharacters)
        m_trimDue = true;
}

void LogEdit::trim() {
    m_trimDue = false;
    const qint64 length = document()->characterCount() - 1;
    // "Clear" left only the entries appended since; text that came in some other way counts
    // as one entry, so a trim still ends on an entry boundary.
    while (m_entriesLength > length && !m_entries.empty()) {
        m_entriesLength -= m_entries.front();
        m_entries.pop_front();
    }
    if (m_entriesLength < length) {
        m_entries.push_front(int(length - m_entriesLength));
        m_entriesLength = length;
    }
    qint64 cut = 0;
    // The newest entry stays, however long.
    while (m_entries.size() > 1 &&
           (m_entries.size() > size_t(m_maxEntries) || m_entriesLength - cut > m_maxCharacters)) {
        cut += m_entries.front();
        m_entries.pop_front();
    }
    if (cut == 0)
        return;
    m_entriesLength -= cut;
    m_removed += cut;
    QTextCursor top(document());
    top.setPosition(int(cut), QTextCursor::KeepAnchor);
    top.removeSelectedText();
}

bool LogEdit::selectEntry(qint64 start, const QString& text) {
    flush();
    const qint64 at = start - m_removed;
    QTextDocument* doc = document();
    if (start < 0 || at < 0 || at >= doc->characterCount() - 1)
        return false;
    const QTextBlock block = doc->findBlock(int(at));
    const QString blockText = block.text();
    const int in = int(at) - block.position();
    qsizetype end = blockText.indexOf(QChar::LineSeparator, in);
    if (end < 0)
        end = blockText.size();
    // The time and prefix come first.
    if (!QStringView(blockText).mid(in, end - in).contains(text))
        return false;
    QTextCursor line(doc);
    line.setPosition(int(at));
    line.setPosition(block.position() + int(end), QTextCursor::KeepAnchor);
    setTextCursor(line);
    ensureCursorVisible();
    return true;
}

void LogEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    if (!m_clearAction) {
        m_clearAction = new QAction(QCoreApplication::translate("MainWidget", "Clear"), this);
        connect(m_clearAction, &QAction::triggered, this, [this] {
            flush();
            m_removed += document()->characterCount() - 1;
            clear();
            m_blockLines = 0;
        });
    }
    menu->addAction(m_clearAction);
    if (!m_menuActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_menuActions);
    }
    menu->exec(event->globalPos());
    delete menu;
}

void LogEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QTextEdit::mouseDoubleClickEvent(event);
    m_doubleClick.start();
    m_doubleClickAt = event->position().toPoint();
}

void LogEdit::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool triple =
        event->button() == Qt::LeftButton && m_doubleClick.isValid() &&
        m_doubleClick.elapsed() < QApplication::doubleClickInterval() &&
        (at - m_doubleClickAt).manhattanLength() < QApplication::startDragDistance();
    QTextEdit::mousePressEvent(event);
    if (!triple)
        return;
    m_doubleClick.invalidate();
    // A triple click selects a block, which holds several lines here: select the one line.
    QTextCursor line = cursorForPosition(at);
    const QTextBlock block = line.block();
    const QString text = block.text();
    const int in = line.positionInBlock();
    const qsizetype begin = in > 0 ? text.lastIndexOf(QChar::LineSeparator, in - 1) + 1 : 0;
    const qsizetype separator = text.indexOf(QChar::LineSeparator, in);
    qsizetype end = separator < 0 ? text.size() : separator + 1;
    if (separator < 0 && block.next().isValid())
        ++end;
    line.setPosition(block.position() + int(begin));
    line.setPosition(block.position() + int(end), QTextCursor::KeepAnchor);
    setTextCursor(line);
}

void LogEdit::keyPressEvent(QKeyEvent* event) {
    // As in a terminal, typing goes on in the input line; shortcuts (copy, select all) and
    // the navigation keys stay with the log.
    const QString text = event->text();
    const bool typed =
        !text.isEmpty() && text.front().isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!typed || !m_typingTarget) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    m_typingTarget->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_typingTarget, event);
}
