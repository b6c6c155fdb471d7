#include "at/escapes.h"

namespace at {

namespace {
int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
} // namespace

Unescaped unescape(const QString& text) {
    Unescaped out;
    qsizetype plain = 0; // start of the text not yet converted
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\'))
            continue;
        out.bytes += QStringView(text).sliced(plain, i - plain).toLocal8Bit();
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        int length = 2;
        switch (next.unicode()) {
        case 'r':
            out.bytes += '\r';
            break;
        case 'n':
            out.bytes += '\n';
            break;
        case 't':
            out.bytes += '\t';
            break;
        case '\\':
            out.bytes += '\\';
            break;
        case 'x': {
            const int high = i + 2 < text.size() ? hexDigit(text.at(i + 2)) : -1;
            const int low = i + 3 < text.size() ? hexDigit(text.at(i + 3)) : -1;
            if (high < 0 || low < 0) {
                out.errorAt = i;
                out.bytes.clear();
                return out;
            }
            out.bytes += char(high * 16 + low);
            length = 4;
            break;
        }
        default:
            out.errorAt = i;
            out.bytes.clear();
            return out;
        }
        i += length - 1;
        plain = i + 1;
    }
    out.bytes += QStringView(text).sliced(plain).toLocal8Bit();
    return out;
}

} // namespace at
