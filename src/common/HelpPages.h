#pragma once
// Where the program's help pages are: in the folder "Help" beside the program file (the build
// tree, or a program copied together with its pages), or, for an installed program, in the data
// folder beside its bin/ folder (prefix/share/quillmere/help).

#include <QString>

// The help page pageName (a file name such as "Logging.html") of the program file programFile:
// beside the program when it is there; else in the installed data folder when it is there; else
// the missing page beside the program, for the browser to report.
QString helpPagePath(const QString& programFile, const QString& pageName);
