#include "input/binaryeditor.h"

#include <QKeyEvent>
#include <QMimeData>

namespace {

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

BinaryEditor::BinaryEditor(QWidget* parent)
    : QPlainTextEdit(parent) {
    // Hex has no words: wrapped at word boundaries first, a pasted payload of 256 KiB took
    // its layout half a minute.
    setWordWrapMode(QTextOption::WrapAnywhere);
}

BinaryEditor::~BinaryEditor() = default;

QByteArray BinaryEditor::data() const {
    QString text = toPlainText();
    text.remove(QLatin1Char(' '));
    return QByteArray::fromHex(text.toLocal8Bit());
}

void BinaryEditor::setData(const QByteArray& bytes) {
    setPlainText(QString::fromLatin1(bytes.toHex()));
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
    }
    QPlainTextEdit::insertFromMimeData(source);
}
