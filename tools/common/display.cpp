#include "tools/common/display.h"

#include "tools/common/console.h"
#include "tools/common/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace tools {

namespace {

constexpr qint64 redrawMs = 100;

} // namespace

Display::Display(FILE* barStream, FILE* lineStream)
    : m_bar(barStream)
    , m_lines(lineStream) {}

void Display::start(qint64 total) {
    m_total = total;
    m_done = 0;
    m_tenth = 0;
    m_clock.start();
    if (m_bar)
        draw(0);
}

void Display::update(qint64 done) {
    m_done = done;
    if (m_bar) {
        const qint64 now = m_clock.elapsed();
        if (done >= m_total || m_lastDraw < 0 || now - m_lastDraw >= redrawMs)
            draw(done);
        return;
    }
    const int tenth = progress::tenth(done, m_total);
    if (tenth > m_tenth) {
        m_tenth = tenth;
        print(m_lines, progress::step(done, m_total) + QLatin1Char('\n'));
    }
}

void Display::breakLine() {
    if (!m_partial)
        return;
    print(m_bar, QStringLiteral("\n"));
    m_partial = false;
}

void Display::message(FILE* stream, const QString& text) {
    breakLine();
    print(stream, text + QLatin1Char('\n'));
}

void Display::draw(qint64 done) {
    m_lastDraw = m_clock.elapsed();
    // Carriage return and erase to the end of the line: redrawn in place. The last three
    // columns stay free, so the terminal's "^C" echo fits beside the bar instead of wrapping,
    // and the cancel message that follows starts on a line of its own.
    print(m_bar, QStringLiteral("\r") + progress::bar(done, m_total, m_lastDraw, width() - 3) +
                     QStringLiteral("\x1b[K"));
    m_partial = true;
}

int Display::width() const {
    winsize size{};
    if (::ioctl(fileno(m_bar), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20)
        return size.ws_col;
    return 80;
}

} // namespace tools
