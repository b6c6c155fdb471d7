#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace at {

// Bytes as rows of 16: each byte as two lower-case hex digits, one blank between bytes, the
// hex padded with blanks to the width of a full row (47 characters), two blanks, then the
// bytes again as characters, '.' for each outside 0x20-0x7e:
//   "4f 4b 0d 0a" + 36 blanks + "  OK.."
constexpr qsizetype hex_row_bytes = 16;
constexpr qsizetype hex_row_width = 3 * hex_row_bytes - 1 + 2 + hex_row_bytes;

// The rows, none for no bytes.
QStringList hexRows(QByteArrayView data);

// The rows as one text: each row ends with a line feed and every row but the first begins with
// indent; no bytes give a lone line feed.
QString hexText(QByteArrayView data, QStringView indent = {});
// Its length, to know without making it.
qsizetype hexTextLength(qsizetype bytes, qsizetype indent);

} // namespace at
