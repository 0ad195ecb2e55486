#pragma once

#include <cstdio>

#include <QString>

namespace qs::app {

// Writes text to a standard stream in the user's encoding, whatever it holds: a NUL or any other
// byte taken from a page must not cut what follows it. The panes end their lines in CR LF; a
// terminal or a pipe wants LF.
void writeText(std::FILE *stream, const QString &text);
// The same, followed by one line break.
void writeLine(std::FILE *stream, const QString &text);

} // namespace qs::app
