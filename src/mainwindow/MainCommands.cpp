// The main window's control commands, the two reports, the system-table choice and help.

#include "mainwindow/MainForm.h"

void TfrmMain::connectCommandActions() {}
