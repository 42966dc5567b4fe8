#pragma once
// The command line of the quillmere program, read before any window (or the connection to the
// display) exists, so that --help, --version and a wrong argument work without a display:
//
//   quillmere [OPTION]... [DATABASE]
//
// DATABASE is filled in in the connect dialog that opens at start. Qt's own options (-platform,
// -style, -display and the others that QApplication takes) are let through for QApplication.

#include "common/CommandLine.h"

#include <QString>
#include <QStringList>

struct StartArguments {
    QString databaseName;  // empty when none is given
};

// The program as its command line presents it: its name and its --help text.
const cmdline::Program& quillmereProgram();

// Reads the arguments after the program's name; raises cmdline::EUsage for a wrong one.
StartArguments parseStartArguments(const QStringList& args);
