#ifndef SETVORNIP_QT_COMMAND_LINE_H
#define SETVORNIP_QT_COMMAND_LINE_H

#include <QStringList>

// Reads the window's command line (the program's name first). --interface
// NAME: on a PC with more than one adapter, the one the library uses, set for
// this process before the library is first opened. --help and --version
// answer and end the program, as does a malformed line.
void ApplyCommandLine(const QStringList& arguments);

#endif  // SETVORNIP_QT_COMMAND_LINE_H
