#include "input/binaryeditor.h"

#include <QKeyEvent>
#include <QMimeData>

namespace {

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// A long payload goes in lines of this many digits: a block is laid out whole at every change,
// and only the blocks in view are laid out at all. In one block, 1 MiB of hex stalled the
// dialog for seconds and 16 MiB took gigabytes. The line ends are no hex and are skipped.
constexpr qsizetype line_digits = 1024;

QString inLines(QStringView hex) {
    QString lines;
    lines.reserve(hex.size() + hex.size() / line_digits);
    for (qsizetype at = 0; at < hex.size(); at += line_digits) {
        if (at > 0)
            lines += u'\n';
        lines += hex.mid(at, line_digits);
    }
    return lines;
}

} // namespace

BinaryEditor::BinaryEditor(QWidget* parent)
    : QPlainTextEdit(parent) {
    // Hex has no words: wrapped at word boundaries first, a long line took its layout far
    // longer than its length.
    setWordWrapMode(QTextOption::WrapAnywhere);
}

BinaryEditor::~BinaryEditor() = default;

QByteArray BinaryEditor::data() const {
    QString text = toPlainText();
    text.remove(QLatin1Char(' '));
    return QByteArray::fromHex(text.toLocal8Bit());
}

void BinaryEditor::setData(const QByteArray& bytes) {
    setPlainText(inLines(QString::fromLatin1(bytes.toHex())));
}

bool BinaryEditor::validateSymbol(QChar c) {
    if (!c.isPrint() || c == QLatin1Char(' '))
        return true;
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

void BinaryEditor::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        enterKeyDown = true;
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !validateSymbol(text.front())) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void BinaryEditor::keyReleaseEvent(QKeyEvent* event) {
    if (isEnter(event) && enterKeyDown) {
        enterKeyDown = false;
        event->accept();
        emit enterPressed();
        return;
    }
    QPlainTextEdit::keyReleaseEvent(event);
}

void BinaryEditor::insertFromMimeData(const QMimeData* source) {
    if (source->hasText()) {
        const QString text = source->text();
        for (const QChar c : text) {
            if (!validateSymbol(c))
                return;
        }
        if (text.size() > line_digits && !text.contains(u'\n')) {
            insertPlainText(inLines(text));
            return;
        }
    }
    QPlainTextEdit::insertFromMimeData(source);
}
