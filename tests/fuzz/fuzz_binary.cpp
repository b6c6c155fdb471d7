// The hex decoding of the binary payload editor and the size rule of its dialog.
//
// Input: bytes 0-1 are the dialog's maximum size (signed 16-bit, little end first);
// the rest, as UTF-8, is the editor's text.

#include "input/binarydialog.h"
#include "input/binaryeditor.h"

#include <QApplication>
#include <QLabel>

#include <cstdint>
#include <cstdlib>

namespace {

BinaryDialog* g_dialog = nullptr;
BinaryEditor* g_editor = nullptr;
QLabel* g_sizeLabel = nullptr;

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Digits paired from the end, anything else skipped: an odd leading digit is a byte
// of its own.
QByteArray decode(const QString& text) {
    QList<int> digits;
    for (const char c : text.toLocal8Bit()) {
        const int value = hexValue(c);
        if (value >= 0)
            digits.append(value);
    }
    QByteArray bytes((digits.size() + 1) / 2, '\0');
    qsizetype d = digits.size();
    for (qsizetype b = bytes.size() - 1; b >= 0; --b) {
        int value = digits.at(--d);
        if (d > 0)
            value |= digits.at(--d) << 4;
        bytes[b] = char(value);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    static BinaryDialog dialog;
    g_dialog = &dialog;
    g_editor = dialog.findChild<BinaryEditor*>();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().startsWith(QLatin1String("Size")))
            g_sizeLabel = label;
    }
    if (!g_editor || !g_sizeLabel)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int maxDataSize = int16_t(uint16_t(data[0] | (data[1] << 8)));
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    g_dialog->setMaxDataSize(maxDataSize);
    g_editor->setPlainText(text);

    // The document may normalise line ends; decode what it holds.
    const QString held = g_editor->toPlainText();
    QString spaceless = held;
    spaceless.remove(QLatin1Char(' '));
    const QByteArray bytes = g_editor->data();
    if (bytes != decode(spaceless))
        std::abort();

    const QByteArray payload = g_dialog->data();
    if (maxDataSize <= 0) {
        if (payload != bytes)
            std::abort();
    } else {
        if (payload.size() != maxDataSize)
            std::abort();
        const qsizetype kept = qMin<qsizetype>(bytes.size(), maxDataSize);
        if (payload.left(kept) != bytes.left(kept))
            std::abort();
        if (payload.mid(kept).count('\0') != payload.size() - kept)
            std::abort();
    }

    const QString count = maxDataSize >= 1
                              ? QStringLiteral("%1/%2").arg(bytes.size()).arg(maxDataSize)
                              : QString::number(bytes.size());
    if (!g_sizeLabel->text().endsWith(QLatin1String(": ") + count))
        std::abort();

    // Bytes set in the editor come back unchanged.
    g_editor->setData(bytes);
    if (g_editor->data() != bytes)
        std::abort();
    return 0;
}
