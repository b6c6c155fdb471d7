#include "at/hexdump.h"

#include <algorithm>

namespace at {

qsizetype hexTextLength(qsizetype bytes, qsizetype indent) {
    const qsizetype rows = (bytes + hex_row_bytes - 1) / hex_row_bytes;
    if (rows == 0)
        return 1;
    return rows * (hex_row_width + 1) + (rows - 1) * indent - (rows * hex_row_bytes - bytes);
}

QString hexText(QByteArrayView data, QStringView indent) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    const qsizetype size = data.size();
    if (size == 0)
        return QStringLiteral("\n");
    // Written in place: a flood of short lines runs through here.
    QString text(hexTextLength(size, indent.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype row = 0; row < size; row += hex_row_bytes) {
        if (row > 0) {
            std::copy(indent.begin(), indent.end(), out);
            out += indent.size();
        }
        const qsizetype count = qMin(hex_row_bytes, size - row);
        QChar* hex = out;
        QChar* chars = out + 3 * hex_row_bytes + 1;
        std::fill(hex, chars, QChar(u' '));
        for (qsizetype i = 0; i < count; ++i) {
            const uchar byte = uchar(data[row + i]);
            hex[3 * i] = digits[byte >> 4];
            hex[3 * i + 1] = digits[byte & 0xf];
            chars[i] = byte >= 0x20 && byte < 0x7f ? QChar(byte) : QChar(u'.');
        }
        chars[count] = u'\n';
        out = chars + count + 1;
    }
    return text;
}

QStringList hexRows(QByteArrayView data) {
    if (data.isEmpty())
        return {};
    QStringList rows = hexText(data).split(u'\n');
    rows.removeLast();
    return rows;
}

} // namespace at
