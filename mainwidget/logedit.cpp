#include "mainwidget/logedit.h"

#include "mainwidget/loglayout.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextOption>

namespace {

// Marks a block that the log began inside a run of text, not at a line end.
constexpr int continued_property = QTextFormat::UserProperty + 1;

// Unshaped, a control character is drawn as nothing (shaped, as a box), a combining mark
// beside its letter and Arabic without its joins. Below the combining marks every other
// character looks the same either way. Line noise (a wrong baud rate, a device waking up) is
// mostly bytes that are no UTF-8 (replacement characters): no shaping makes that readable, and
// shaping its many scripts costs twice the rest of its layout. One such byte in a line of
// text does not make it noise.
bool needsShaping(QStringView text) {
    bool needs = false;
    qsizetype replaced = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ReplacementCharacter)
            ++replaced;
        else if (u >= 0x300 || (u < 0x20 && u != u'\n' && u != u'\r' && u != u'\t') ||
                 (u >= 0x7f && u < 0xa0))
            needs = true;
    }
    return needs && replaced * 4 < text.size();
}

// Letters of the right-to-left scripts and the marks that start a right-to-left run; high
// surrogates of the right-to-left planes' ranges.
bool rightToLeft(char16_t u) {
    return (u >= 0x590 && u < 0x900) || (u >= 0xfb1d && u < 0xfe00) ||
           (u >= 0xfe70 && u < 0xff00) || u == 0x200f || u == 0x202b || u == 0x202e ||
           u == 0x2067 || u == 0xd802 || u == 0xd803 || u == 0xd83a || u == 0xd83b;
}

bool lineEnd(QChar c) {
    return c == u'\n' || c == u'\r';
}

// The first line of text (up to its end) has right-to-left letters.
bool firstLineRtl(QStringView text) {
    for (const QChar c : text) {
        if (lineEnd(c))
            return false;
        if (rightToLeft(c.unicode()))
            return true;
    }
    return false;
}

} // namespace

LogEdit::LogEdit(QWidget* parent)
    : QTextEdit(parent) {
    // Each line starts with its prefix and lines share blocks: all run left to right, the text
    // of a line ordered as its script wants, not a whole block by its first letter.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    if (LogLayout::wanted())
        document()->setDocumentLayout(new LogLayout(this));
    m_timeFormat.setForeground(QBrush(Qt::gray));
    m_prefixFormat.setForeground(QBrush(Qt::black));
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &LogEdit::endFrame);
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &LogEdit::drain);
    // Only a move of the view counts: the end moving on below leaves it at the end. Following
    // the cursor leaves a few pixels of margin.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        m_atEnd = value >= verticalScrollBar()->maximum() - fontMetrics().lineSpacing();
    });
}

LogEdit::~LogEdit() {
    if (m_appending)
        m_append.endEditBlock();
}

void LogEdit::appendEntry(const QString& prefix, const QString& text, const QColor& color,
                          const QString& time) {
    const QTextCursor view = textCursor();
    if ((view.hasSelection() || !view.atEnd()) && followsEnd()) {
        // Laid out first, so the view can be put at the end at once.
        endFrame();
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
    }
    m_pending.push_back({time, prefix, text, color, -1, false, m_serial++});
    m_pendingLength += time.size() + prefix.size() + text.size();
    // Far more than the log keeps, faster than it can be shown: the oldest waiting go.
    while (m_pendingLength > m_maxCharacters && m_pending.size() > 2)
        dropPending();
    drain();
}

bool LogEdit::followsEnd() const {
    return !m_stayWhereScrolled || (m_atEnd && !textCursor().hasSelection());
}

void LogEdit::dropPending() {
    // The first may be partly in the document already.
    auto at = m_pending.begin();
    if (at->done >= 0)
        ++at;
    m_pendingLength -= at->time.size() + at->prefix.size() + at->text.size();
    m_pending.erase(at);
    ++m_dropped;
}

void LogEdit::drain() {
    // A frame that took in its worth lays it out at once; the rest waits for the next pass of
    // the event loop, so no entry and no burst stalls the window for more than one.
    if (m_next.isActive())
        return;
    while (!m_pending.empty()) {
        if (m_frameCharacters >= frame_characters || m_frameRunCharacters >= frame_run_characters) {
            endFrame();
            m_next.start(0);
            return;
        }
        Pending& entry = m_pending.front();
        QTextCursor& cursor = appendCursor();
        const int start = cursor.position();
        if (entry.done < 0)
            startEntry(entry);
        const bool run = entry.text.size() > block_characters;
        qsizetype take = qMin<qsizetype>(entry.text.size() - entry.done,
                                         run ? frame_run_characters - m_frameRunCharacters
                                             : frame_characters - m_frameCharacters);
        const qsizetype end = entry.done + take;
        // A surrogate pair and a CR LF stay whole.
        if (end > 0 && end < entry.text.size() &&
            (entry.text.at(end - 1).isHighSurrogate() ||
             (entry.text.at(end - 1) == u'\r' && entry.text.at(end) == u'\n')))
            ++take;
        insertLines(QStringView(entry.text).mid(entry.done, take),
                    entry.shaped ? m_shapedFormat : m_textFormat);
        entry.done += take;
        const int length = cursor.position() - start;
        m_entries.back() += length;
        m_entriesLength += length;
        m_frameCharacters += length;
        if (run)
            m_frameRunCharacters += length;
        if (entry.done == entry.text.size()) {
            m_pendingLength -= entry.time.size() + entry.prefix.size() + entry.text.size();
            m_pending.pop_front();
        }
    }
    if (m_entries.size() >= 2 * size_t(m_maxEntries) || m_entriesLength >= 2 * m_maxCharacters)
        m_trimDue = true;
    if (m_frameCharacters >= frame_characters || m_frameRunCharacters >= frame_run_characters)
        endFrame();
}

void LogEdit::startEntry(Pending& entry) {
    entry.done = 0;
    m_entries.push_back(0);
    m_entrySerials.push_back(entry.serial);
    if (entry.color != m_textColor) {
        // Most entries have the colour of the one before: their formats are kept.
        m_textColor = entry.color;
        m_textFormat.setForeground(QBrush(entry.color));
        m_shapedFormat = m_textFormat;
        m_shapedFormat.setFontStyleStrategy(QFont::PreferDefault);
    }
    entry.shaped = needsShaping(entry.text);
    QTextCursor& cursor = m_append;
    // A right-to-left line gets a block of its own, as it has a direction of its own: in a
    // block with other lines the neighbours' letters and digits would order its prefix.
    if (m_lineStarts && m_separatorLast && firstLineRtl(entry.text)) {
        cursor.deletePreviousChar();
        breakBlock(false);
    }
    if (!entry.time.isEmpty())
        insertLines(entry.time, m_timeFormat);
    if (!entry.prefix.isEmpty())
        insertLines(entry.prefix, m_prefixFormat);
}

int LogEdit::breakBlock(bool continued) {
    QTextBlockFormat format;
    if (continued)
        format.setProperty(continued_property, true);
    m_append.insertBlock(format, m_textFormat);
    m_blockLines = 0;
    m_blockLength = 0;
    m_separatorLast = false;
    return 1;
}

int LogEdit::insertLines(QStringView text, const QTextCharFormat& format) {
    QTextCursor& cursor = m_append;
    const int start = cursor.position();
    QString run;
    qsizetype from = 0;
    const auto put = [&](qsizetype to) {
        // Up to to, parted into blocks of at most block_characters.
        while (from < to) {
            if (m_blockLength >= block_characters) {
                cursor.insertText(run, format);
                run.clear();
                breakBlock(true);
            }
            qsizetype take = qMin<qsizetype>(to - from, block_characters - m_blockLength);
            if (from + take < to && text.at(from + take - 1).isHighSurrogate() && --take == 0) {
                m_blockLength = block_characters; // a surrogate pair stays whole
                continue;
            }
            for (qsizetype i = from; i < from + take && !m_lineRtl; ++i)
                m_lineRtl = rightToLeft(text.at(i).unicode());
            run += text.mid(from, take);
            m_blockLength += int(take);
            from += take;
            m_lineStarts = false;
            m_separatorLast = false;
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!lineEnd(c))
            continue;
        put(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        from = i + 1;
        // The next line of this text: a right-to-left one has a block of its own.
        const bool nextRtl = firstLineRtl(text.mid(from));
        if (++m_blockLines < lines_per_block && !m_lineRtl && !nextRtl) {
            run += QChar::LineSeparator;
            ++m_blockLength;
            m_separatorLast = true;
        } else {
            cursor.insertText(run, format);
            run.clear();
            breakBlock(false);
        }
        m_lineRtl = false;
        m_lineStarts = true;
    }
    put(text.size());
    if (!run.isEmpty())
        cursor.insertText(run, format);
    return cursor.position() - start;
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
    m_next.stop();
    while (!m_pending.empty()) {
        drain();
        m_next.stop();
    }
    endFrame();
}

void LogEdit::endFrame() {
    m_frame.stop();
    m_sinceFlush.start();
    if (!m_appending)
        return;
    m_appending = false;
    m_frameCharacters = 0;
    m_frameRunCharacters = 0;
    m_append.endEditBlock();
    // In an edit block of its own: sharing one with the appended entries would lay out the
    // whole log again, not just move it up.
    if (m_trimDue)
        trim();
    if (followsEnd())
        ensureCursorVisible();
}

void LogEdit::setMaxEntries(int count) {
    m_maxEntries = qMax(1, count);
}

void LogEdit::setMaxCharacters(qint64 count) {
    m_maxCharacters = qMax<qint64>(1, count);
}

void LogEdit::trim() {
    m_trimDue = false;
    const qint64 length = document()->characterCount() - 1;
    // "Clear" left only the entries appended since; text that came in some other way counts
    // as one entry, so a trim still ends on an entry boundary.
    while (m_entriesLength > length && !m_entries.empty()) {
        m_entriesLength -= m_entries.front();
        m_entries.pop_front();
        m_entrySerials.pop_front();
    }
    if (m_entriesLength < length) {
        m_entries.push_front(int(length - m_entriesLength));
        m_entrySerials.push_front(-1);
        m_entriesLength = length;
    }
    qint64 cut = 0;
    qint64 dropped = 0;
    // The newest entry stays, however long.
    while (m_entries.size() > 1 &&
           (m_entries.size() > size_t(m_maxEntries) || m_entriesLength - cut > m_maxCharacters)) {
        cut += m_entries.front();
        m_entries.pop_front();
        m_entrySerials.pop_front();
        ++dropped;
    }
    if (cut == 0)
        return;
    // The note of the last trim went first.
    if (std::exchange(m_noteLength, 0) > 0)
        --dropped;
    m_dropped += dropped;
    m_entriesLength -= cut;
    // A reader scrolled back goes on seeing the same text, unless it is gone: then the top.
    const bool keepView = !followsEnd();
    const QTextCursor shown = cursorForPosition(QPoint(0, 0));
    const qint64 shownPosition = shown.position();
    const int shownAt = cursorRect(shown).top();
    QTextCursor top(document());
    top.beginEditBlock();
    top.setPosition(int(cut), QTextCursor::KeepAnchor);
    top.removeSelectedText();
    // The top of the log says that older entries are gone, as a pause does.
    QTextCharFormat noteFormat;
    noteFormat.setForeground(QBrush(Qt::darkGray));
    top.insertText(
        QCoreApplication::translate("MainWidget", "Entries dropped at the log's bound: %1")
            .arg(m_dropped),
        noteFormat);
    top.insertBlock(QTextBlockFormat(), noteFormat);
    top.endEditBlock();
    m_noteLength = top.position();
    m_entries.push_front(m_noteLength);
    m_entrySerials.push_front(-1);
    m_entriesLength += m_noteLength;
    if (keepView) {
        QScrollBar* bar = verticalScrollBar();
        if (shownPosition < cut) {
            bar->setValue(0);
        } else {
            QTextCursor same(document());
            same.setPosition(int(shownPosition - cut + m_noteLength));
            bar->setValue(bar->value() + cursorRect(same).top() - shownAt);
        }
    }
}

QString LogEdit::textBetween(int start, int end) const {
    QString text = document()->toPlainText().mid(start, end - start);
    // One character a position; the breaks inside long lines go, from the back.
    QTextBlock block = document()->findBlock(end);
    for (; block.isValid() && block.position() > start; block = block.previous()) {
        if (block.position() <= end && block.blockFormat().boolProperty(continued_property))
            text.remove(block.position() - 1 - start, 1);
    }
    return text;
}

QString LogEdit::toPlainText() const {
    return textBetween(0, document()->characterCount() - 1);
}

QMimeData* LogEdit::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    const QString text = textBetween(cursor.selectionStart(), cursor.selectionEnd());
    if (text.size() == cursor.selectionEnd() - cursor.selectionStart())
        return QTextEdit::createMimeDataFromSelection();
    // Rich text would keep the breaks as paragraphs.
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

bool LogEdit::selectEntry(qint64 entry, const QString& text) {
    flush();
    if (entry < 0)
        return false;
    // From the end: after a "Clear" the oldest lengths still wait for the next trim to go.
    qint64 at = document()->characterCount() - 1;
    auto serial = m_entrySerials.crbegin();
    for (auto length = m_entries.crbegin(); length != m_entries.crend(); ++length, ++serial) {
        at -= *length;
        // Above the top: cleared, and another entry may stand where it was.
        if (at < 0)
            return false;
        if (*serial == entry)
            break;
        if (*serial >= 0 && *serial < entry)
            return false;
    }
    if (serial == m_entrySerials.crend())
        return false;
    QTextDocument* doc = document();
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
            // What waits to be shown goes too.
            m_next.stop();
            m_pending.clear();
            m_pendingLength = 0;
            endFrame();
            clear();
            m_blockLines = 0;
            m_blockLength = 0;
            m_lineRtl = false;
            m_lineStarts = true;
            m_separatorLast = false;
            m_dropped = 0;
            m_noteLength = 0;
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
