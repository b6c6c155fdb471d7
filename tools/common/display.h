#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace tools {

// Shows the transfer's progress: a bar redrawn in place on a terminal,
// otherwise one line each time another tenth is done.
class Display {
public:
    // barStream: the terminal to draw on, null for plain lines on lineStream.
    Display(FILE* barStream, FILE* lineStream);

    void start(qint64 total);
    void update(qint64 done);
    // Ends a bar line so that messages start on a line of their own.
    void breakLine();
    void message(FILE* stream, const QString& text);

    bool onTerminal() const { return m_bar != nullptr; }

private:
    void draw(qint64 done);
    int width() const;

    FILE* m_bar;
    FILE* m_lines;
    qint64 m_total = 0;
    qint64 m_done = 0;
    int m_tenth = 0;
    bool m_partial = false;
    QElapsedTimer m_clock;
    qint64 m_lastDraw = -1;
};

} // namespace tools
