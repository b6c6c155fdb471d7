#pragma once

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QFont>
#include <QPointer>
#include <QTextOption>
#include <QTimer>

class QTextEdit;
class QTextLayout;

// The log's document layout. The toolkit's lays out every line taken in, though one screenful
// is seen; this one lays out a block only when it is drawn, hit or asked for its place, and
// gives every other block a height worked out from the fixed-pitch font: lines of the view's
// width in character columns. Text whose width the columns cannot tell (tabs, other scripts,
// control characters) is laid out for real while the window is idle, a slice at a time, and
// the view stays on its line when a height above it changes.
//
// Each block's height in pixels (the toolkit rounds a line's height up to whole pixels) is kept
// as the block's line count, so the document's block tree sums them: the top of a block, the
// block at a height and the whole height cost a walk down the tree, and trimming the top moves
// nothing. So the log's QTextDocument::lineCount() and QTextBlock::firstLineNumber() count
// pixels, not lines. A block counts as laid out while its QTextLayout has lines; every change to a
// block clears them. Block user states and user data stay free.
class LogLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
public:
    explicit LogLayout(QTextEdit* view);

    // False where the toolkit's layout is wanted: KELVRA_TOOLKIT_LAYOUT is set (for diagnosis),
    // or this toolkit's version is not one the view was tested with (told once on stderr).
    static bool wanted();

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // No block waits for its height to be made exact.
    bool settled() const { return m_uncertainFrom < 0; }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    struct Estimate {
        int height; // pixels
        bool exact;
    };
    Estimate estimate(const QTextBlock& block);
    // The columns tell the text's lines exactly.
    bool measurable(QStringView text) const;
    int lineCount(QStringView line, bool& exact) const;
    // Takes the document's font, page width and text option; true when they changed.
    bool updateMetrics();
    // The advance and line height of the document's font.
    void measureFont();
    // Lays the block out for real at its place; returns false when it already was.
    bool layOut(const QTextBlock& block);
    // steady: a block above the view's top moves the view with it.
    void setHeight(const QTextBlock& block, int height, bool steady);
    // Lays out the block and a viewport's height of blocks above and below it.
    void layOutAround(const QTextBlock& block);
    // Tells the view what the layouts since the last call changed.
    void finish(bool deferSize = false);
    void layOutIdle();
    int top(const QTextBlock& block) const;
    int total() const;
    int viewTop() const;
    int viewHeight() const;

    QPointer<QTextEdit> m_view;
    QTimer m_idle;
    QTimer m_sizeLater;
    qreal m_reportedHeight = -1;
    int m_shift = 0; // pixels of height gained above the view's top since the last finish()
    bool m_textChanged = false;
    bool m_estimated = false; // every block has its height
    int m_uncertainFrom = -1; // the first position whose block may need laying out, -1: none

    // Worked out from the document's font and page width.
    bool m_measured = false;
    QFont m_font;
    QFont m_measuredFont;
    bool m_fontMeasured = false;
    QTextOption m_option;
    bool m_fixedPitch = false;
    qreal m_pageWidth = -1;
    qreal m_margin = 0;
    int m_width = 0;      // of a line, 1/64 pixels
    int m_advance = 1;    // of a character of the fixed-pitch font, 1/64 pixels
    int m_lineHeight = 1; // pixels
    qreal m_widest = 0;   // the widest line laid out, where wider than the page
    int m_columns = 1;
};
