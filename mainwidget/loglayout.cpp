#include "mainwidget/loglayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QVarLengthArray>

#include <cmath>
#include <utility>

namespace {

// The versions whose QTextEdit the tests have seen take a layout of this kind.
constexpr const char* tested_versions[] = {"6.4.2"};

// A slice of idle layout takes at most this long: the window stays responsive.
constexpr int slice_ms = 8;
// Idle layout waits until the log has taken nothing new for this long.
constexpr int quiet_ms = 100;

int fixed(qreal value) {
    return int(std::lround(value * 64));
}

// Every character of a fixed-pitch font is one column wide here, as is a line end.
bool oneColumn(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x20 && u < 0x7f) || u == QChar::LineSeparator;
}

bool allOneColumn(QStringView text) {
    for (const QChar c : text) {
        if (!oneColumn(c))
            return false;
    }
    return true;
}

// A guess at other characters' width in columns; laying them out makes it exact.
int columnsOf(char16_t u) {
    if ((u >= 0x300 && u < 0x370) || (u >= 0xdc00 && u < 0xe000) || u == 0x200b || u == 0x200d)
        return 0;
    if ((u >= 0x1100 && u < 0x1160) || (u >= 0x2e80 && u < 0xa4d0) || (u >= 0xac00 && u < 0xd7a4) ||
        (u >= 0xf900 && u < 0xfb00) || (u >= 0xfe30 && u < 0xfe50) || (u >= 0xff00 && u < 0xff61) ||
        (u >= 0xd800 && u < 0xdc00))
        return 2;
    return 1;
}

} // namespace

LogLayout::LogLayout(QTextEdit* view)
    : QAbstractTextDocumentLayout(view->document())
    , m_view(view) {
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &LogLayout::layOutIdle);
    m_sizeLater.setSingleShot(true);
    connect(&m_sizeLater, &QTimer::timeout, this, [this] { finish(); });
    // Page size, font and text option changes come as a change of the whole document too;
    // only these are changes of its text.
    connect(document(), &QTextDocument::contentsChange, this, [this] { m_textChanged = true; });
}

bool LogLayout::wanted() {
    if (qEnvironmentVariableIsSet("KELVRA_TOOLKIT_LAYOUT") &&
        qgetenv("KELVRA_TOOLKIT_LAYOUT") != "0")
        return false;
    static const bool tested = [] {
        for (const char* version : tested_versions) {
            if (qstrcmp(qVersion(), version) == 0)
                return true;
        }
        qWarning("kelvra: the log uses the toolkit's text layout: Qt %s is not a version its own "
                 "layout was tested with",
                 qVersion());
        return false;
    }();
    return tested;
}

int LogLayout::top(const QTextBlock& block) const {
    return block.firstLineNumber();
}

int LogLayout::total() const {
    return document()->lineCount();
}

int LogLayout::viewTop() const {
    return m_view ? m_view->verticalScrollBar()->value() : 0;
}

int LogLayout::viewHeight() const {
    return m_view ? m_view->viewport()->height() : 0;
}

QSizeF LogLayout::documentSize() const {
    // A glyph wider than the line widens the document, as in the toolkit's layout.
    return QSizeF(qMax<qreal>(m_pageWidth, m_widest > 0 ? m_widest + 2 * m_margin : 0),
                  2 * m_margin + total());
}

QRectF LogLayout::frameBoundingRect(QTextFrame* frame) const {
    if (frame != document()->rootFrame())
        return QRectF();
    return QRectF(QPointF(0, 0), documentSize());
}

bool LogLayout::updateMetrics() {
    const QTextDocument* doc = document();
    const QTextOption option = doc->defaultTextOption();
    const QFont font = doc->defaultFont();
    const qreal pageWidth = doc->pageSize().width();
    const qreal margin = doc->documentMargin();
    const bool fontMeasured = m_fontMeasured && m_measuredFont == font;
    if (m_measured && font == m_font && (fontMeasured || doc->characterCount() <= 1) &&
        pageWidth == m_pageWidth && margin == m_margin &&
        option.wrapMode() == m_option.wrapMode() &&
        option.tabStopDistance() == m_option.tabStopDistance() &&
        option.alignment() == m_option.alignment() &&
        option.textDirection() == m_option.textDirection() && option.flags() == m_option.flags())
        return false;
    m_measured = true;
    m_option = option;
    m_pageWidth = pageWidth;
    m_margin = margin;
    m_font = font;
    // An empty log has nothing to measure: the window's own font comes before the first entry.
    if (doc->characterCount() > 1)
        measureFont();
    m_width = qMax(0, fixed(pageWidth - 2 * margin));
    m_columns = qMax(1, m_width / m_advance);
    return true;
}

void LogLayout::measureFont() {
    if (m_fontMeasured && m_measuredFont == m_font)
        return;
    m_fontMeasured = true;
    m_measuredFont = m_font;
    const QFont& font = m_font;
    // Measured as the block layouts will measure it.
    QTextLayout sample(QString(64, u'x'), font);
    sample.beginLayout();
    QTextLine line = sample.createLine();
    line.setLeadingIncluded(true);
    sample.endLayout();
    m_advance = qMax(1, fixed(line.naturalTextWidth()) / 64);
    m_lineHeight = qMax(1, int(std::ceil(line.height())));
    // Every printable ASCII character as wide as x, alone and in a run (no kerning): the
    // face's own flag is not to be trusted (a fallback face may not set it).
    QString ascii;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        ascii += QChar(c);
    QTextLayout run(ascii, font);
    run.beginLayout();
    QTextLine all = run.createLine();
    run.endLayout();
    const QFontMetricsF metrics(font);
    m_fixedPitch = fixed(all.naturalTextWidth()) == m_advance * ascii.size();
    for (const QChar c : std::as_const(ascii))
        m_fixedPitch = m_fixedPitch && fixed(metrics.horizontalAdvance(c)) == m_advance;
}

bool LogLayout::measurable(QStringView text) const {
    return m_fixedPitch && m_width >= m_advance && allOneColumn(text);
}

int LogLayout::lineCount(QStringView line, bool& exact) const {
    // Spaces at the end of a line hang past its width.
    qsizetype end = line.size();
    if (end > 0 && line.at(end - 1) == QChar::LineSeparator)
        --end;
    while (end > 0 && line.at(end - 1) == u' ')
        --end;
    const bool certain = measurable(line);
    if (!certain) {
        exact = false;
        qsizetype columns = 0;
        for (qsizetype i = 0; i < end; ++i)
            columns += columnsOf(line.at(i).unicode());
        if (m_pageWidth < 0 || m_option.wrapMode() == QTextOption::NoWrap)
            return 1;
        return int(qMax<qsizetype>(1, (columns + m_columns - 1) / m_columns));
    }
    if (end <= m_columns || m_pageWidth < 0 || m_option.wrapMode() == QTextOption::NoWrap)
        return 1;
    // Wrapped as the layout wraps: after the last break point that fits, anywhere in a word
    // longer than the line.
    QVarLengthArray<qsizetype, 64> breaks;
    if (m_option.wrapMode() != QTextOption::WrapAnywhere) {
        // The layout also breaks after every space, where the line-break rules may not ("30 20"
        // in a hex row).
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, line.data(), line.size());
        qsizetype b = finder.toNextBoundary();
        for (qsizetype i = 1; i <= line.size(); ++i) {
            if (i == b) {
                breaks.append(i);
                b = finder.toNextBoundary();
            } else if (i < line.size() && line.at(i - 1) == u' ' && line.at(i) != u' ') {
                breaks.append(i);
            }
        }
    }
    int lines = 1;
    qsizetype at = 0;
    qsizetype next = 0; // the first break point after at
    while (end - at > m_columns) {
        while (next < breaks.size() && breaks[next] <= at)
            ++next;
        qsizetype best = -1;
        for (qsizetype k = next; k < breaks.size(); ++k) {
            qsizetype used = breaks[k];
            while (used > at && line.at(used - 1) == u' ')
                --used;
            if (used - at > m_columns)
                break;
            best = breaks[k];
        }
        if (best < 0 && m_option.wrapMode() == QTextOption::WordWrap) {
            // No break point in the line: it runs on past the width to the next one.
            if (next >= breaks.size())
                break;
            best = breaks[next];
        }
        at = best > at ? best : at + m_columns;
        ++lines;
    }
    return lines;
}

LogLayout::Estimate LogLayout::estimate(const QTextBlock& block) {
    const QString text = block.text();
    bool exact = true;
    int lines = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype separator = text.indexOf(QChar::LineSeparator, start);
        const qsizetype end = separator < 0 ? text.size() : separator + 1;
        lines += lineCount(QStringView(text).mid(start, end - start), exact);
        if (separator < 0)
            break;
        start = end;
    }
    return {int(qMin<qint64>(qint64(lines) * m_lineHeight, 1 << 24)), exact};
}

void LogLayout::setHeight(const QTextBlock& block, int height, bool steady) {
    QTextBlock b = block;
    const int old = b.lineCount();
    if (old == height)
        return;
    // Above the view's top: the view moves with it and shows the same lines. (Blocks above
    // this one may have moved it already.)
    if (steady && m_margin + top(b) + old <= viewTop() + m_shift)
        m_shift += height - old;
    b.setLineCount(height);
}

bool LogLayout::layOut(const QTextBlock& block) {
    QTextLayout* layout = block.layout();
    if (layout->lineCount() > 0) {
        layout->setPosition(QPointF(m_margin, m_margin + top(block)));
        return false;
    }
    updateMetrics();
    measureFont();
    m_columns = qMax(1, m_width / m_advance);
    // As the toolkit's layout sets a block up, for the same lines.
    const QTextBlockFormat format = block.blockFormat();
    QTextOption option = m_option;
    const Qt::LayoutDirection direction = block.textDirection();
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    Qt::Alignment alignment = option.alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        alignment = format.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, alignment));
    if (format.nonBreakableLines() || m_pageWidth < 0)
        option.setWrapMode(QTextOption::ManualWrap);
    layout->setTextOption(option);
    const bool either = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
    const qreal width = m_width / 64.0;
    qreal widest = 0;
    int y = 0;
    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if (fixed(line.naturalTextWidth()) > m_width) {
            // One character wider than the line: it gets a line of its own, as wide as it.
            if (either) {
                option.setWrapMode(QTextOption::WrapAnywhere);
                layout->setTextOption(option);
            }
            line.setLineWidth(qMax(line.naturalTextWidth(), width));
            if (either) {
                option.setWrapMode(QTextOption::WordWrap);
                layout->setTextOption(option);
            }
        }
        widest = qMax(widest, line.naturalTextWidth());
        line.setPosition(QPointF(0, y));
        y += int(std::ceil(line.height()));
    }
    layout->endLayout();
    if (widest > width)
        m_widest = qMax(m_widest, widest);
    setHeight(block, y, true);
    layout->setPosition(QPointF(m_margin, m_margin + top(block)));
    return true;
}

void LogLayout::layOutAround(const QTextBlock& block) {
    layOut(block);
    const int span = viewHeight();
    int above = span;
    for (QTextBlock b = block.previous(); b.isValid() && above > 0; b = b.previous()) {
        layOut(b);
        above -= b.lineCount();
    }
    int below = span;
    for (QTextBlock b = block.next(); b.isValid() && below > 0; b = b.next()) {
        layOut(b);
        below -= b.lineCount();
    }
}

void LogLayout::finish(bool deferSize) {
    const qreal height = 2 * m_margin + total();
    if (deferSize) {
        if (height != m_reportedHeight || m_shift != 0)
            m_sizeLater.start(0);
        return;
    }
    // Where the view goes is taken before the new size clamps it.
    QScrollBar* bar = m_view ? m_view->verticalScrollBar() : nullptr;
    int value = bar ? bar->value() : 0;
    value += m_shift;
    if (height != m_reportedHeight) {
        m_reportedHeight = height;
        emit documentSizeChanged(documentSize());
    }
    if (m_shift != 0 && bar)
        bar->setValue(value);
    m_shift = 0;
}

void LogLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
    QTextDocument* doc = document();
    const bool metrics = updateMetrics();
    if (metrics || !m_estimated) {
        // Every block's lines change.
        m_estimated = true;
        from = 0;
        charsRemoved = 0;
        charsAdded = doc->characterCount();
        m_uncertainFrom = -1;
        m_widest = 0;
    } else if (!std::exchange(m_textChanged, false)) {
        return;
    }
    m_textChanged = false;
    if (m_uncertainFrom >= from + charsRemoved)
        m_uncertainFrom += charsAdded - charsRemoved;
    else if (m_uncertainFrom > from)
        m_uncertainFrom = from;
    QTextBlock block = doc->findBlock(from);
    if (!block.isValid())
        block = doc->lastBlock();
    const int first = block.position();
    const int end = from + charsAdded;
    for (; block.isValid(); block = block.next()) {
        block.layout()->clearLayout();
        const Estimate guess = estimate(block);
        setHeight(block, guess.height, false);
        if (!guess.exact && (m_uncertainFrom < 0 || block.position() < m_uncertainFrom))
            m_uncertainFrom = block.position();
        if (block.position() + block.length() > end)
            break;
    }
    if (m_uncertainFrom >= 0)
        m_idle.start(quiet_ms);
    emit update(QRectF(0, m_margin + doc->findBlock(first).firstLineNumber(), 1e9, 1e9));
    finish();
}

void LogLayout::layOutIdle() {
    if (m_uncertainFrom < 0)
        return;
    QElapsedTimer slice;
    slice.start();
    QTextBlock block = document()->findBlock(m_uncertainFrom);
    const int start = block.isValid() ? block.position() : 0;
    for (; block.isValid() && slice.elapsed() < slice_ms; block = block.next()) {
        if (block.layout()->lineCount() == 0 && !measurable(block.text()))
            layOut(block);
    }
    m_uncertainFrom = block.isValid() ? block.position() : -1;
    emit update(QRectF(0, m_margin + document()->findBlock(start).firstLineNumber(), 1e9, 1e9));
    finish();
    if (m_uncertainFrom >= 0)
        m_idle.start(0);
}

void LogLayout::draw(QPainter* painter, const PaintContext& context) {
    const QRectF clip = context.clip;
    const int clipTop = clip.isValid() ? int(std::floor(clip.top() - m_margin)) : 0;
    const qreal clipBottom = clip.isValid() ? clip.bottom() - m_margin : total();
    QTextDocument* doc = document();
    QTextBlock block = clipTop <= 0 ? doc->begin() : doc->findBlockByLineNumber(clipTop);
    if (!block.isValid())
        block = doc->lastBlock();
    const QPen pen = painter->pen();
    for (; block.isValid() && top(block) <= clipBottom; block = block.next()) {
        // Lines laid out here may be taller or shorter than estimated: the blocks below move.
        layOut(block);
        QTextLayout* layout = block.layout();
        const int position = block.position();
        const int length = block.length();
        QList<QTextLayout::FormatRange> selections;
        for (const Selection& range : context.selections) {
            const int start = range.cursor.selectionStart() - position;
            const int end = range.cursor.selectionEnd() - position;
            if (start < length && end > 0 && end > start) {
                selections.append(QTextLayout::FormatRange{start, end - start, range.format});
            } else if (!range.cursor.hasSelection() &&
                       range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                       block.contains(range.cursor.position())) {
                const QTextLine line =
                    layout->lineForTextPosition(range.cursor.position() - position);
                QTextLayout::FormatRange whole{line.textStart(), line.textLength(), range.format};
                if (whole.start + whole.length == length - 1)
                    ++whole.length;
                selections.append(whole);
            }
        }
        painter->setPen(context.palette.color(QPalette::Text));
        layout->draw(painter, QPointF(0, 0), selections, clip.isValid() ? clip : QRectF());
        if (context.cursorPosition >= position && context.cursorPosition < position + length)
            layout->drawCursor(painter, QPointF(0, 0), context.cursorPosition - position,
                               qMax(1, property("cursorWidth").toInt()));
    }
    painter->setPen(pen);
    // The view must not scroll while it paints.
    finish(true);
}

int LogLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
    auto* self = const_cast<LogLayout*>(this);
    const QTextDocument* doc = document();
    const int y = int(std::floor(point.y() - m_margin));
    const int last = doc->characterCount() - 1;
    if (y < 0)
        return accuracy == Qt::ExactHit ? -1 : 0;
    QTextBlock block;
    // Laying the block out may change its height: look again.
    for (int round = 0; round < 3; ++round) {
        if (y >= total())
            return accuracy == Qt::ExactHit ? -1 : last;
        block = doc->findBlockByLineNumber(y);
        if (!block.isValid() || !self->layOut(block))
            break;
    }
    self->finish(true);
    if (!block.isValid())
        return accuracy == Qt::ExactHit ? -1 : last;
    const QTextLayout* layout = block.layout();
    const QPointF at = point - QPointF(m_margin, m_margin + top(block));
    bool exact = false;
    int offset = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (rect.top() > at.y()) {
            offset = qMin(offset, line.textStart());
        } else if (rect.bottom() <= at.y()) {
            offset = qMax(offset, line.textStart() + line.textLength());
        } else {
            exact = rect.left() <= at.x() && rect.right() >= at.x();
            offset = line.xToCursor(at.x(), accuracy == Qt::ExactHit
                                                ? QTextLine::CursorOnCharacter
                                                : QTextLine::CursorBetweenCharacters);
            break;
        }
    }
    if (accuracy == Qt::ExactHit && !exact)
        return -1;
    return qBound(0, block.position() + offset, last);
}

QRectF LogLayout::blockBoundingRect(const QTextBlock& block) const {
    if (!block.isValid())
        return QRectF();
    auto* self = const_cast<LogLayout*>(this);
    self->layOutAround(block);
    self->finish();
    // A scroll bar that came or went changed the width, and every block is estimated again.
    if (block.layout()->lineCount() == 0) {
        self->layOut(block);
        self->finish();
    }
    QTextLayout* layout = block.layout();
    QRectF rect = layout->boundingRect();
    rect.moveTopLeft(QPointF(m_margin, m_margin + top(block)));
    layout->setPosition(rect.topLeft());
    return rect;
}
