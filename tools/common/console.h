#pragma once

#include <QString>

#include <cstdio>

namespace tools {

// Sets the process up as a tool: its name (the prefix of its messages), organisation and
// version, and a closed output pipe ("| head -1") reported as a failed write instead of a
// deadly signal.
void setUpTool(const char* name);

// Puts /dev/null where standard input, output or error is closed, before anything opens a
// file: the port or the event loop's own descriptor would take that number, and steps would be
// read from the device or messages written to it. Call it first in main.
void guardStandardStreams();

// Writes text to the stream at once. Once its reader has gone, the stream takes nothing more
// and the call returns false; the tool goes on.
bool print(FILE* stream, const QString& text);

// Why standard output could not take what was printed (a full disk, an I/O error); empty
// while it took everything or only its reader went away ("| head -1").
QString outputFailure();

// "name: text" on standard error.
void complain(const QString& text);

// Texts of the tools, in the context of their library.
QString tr(const char* text);

} // namespace tools
