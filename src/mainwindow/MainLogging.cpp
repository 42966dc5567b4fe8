// The main window's side of logging: the setup command, the Logging command, the log timer and
// the settings file's LoggingSetup section.

#include "mainwindow/MainForm.h"

#include "logging/IBPerformanceLogDM.h"

bool TfrmMain::loggingReady() const { return m_dmPerformanceLog && m_dmPerformanceLog->ReadyToLog(); }

void TfrmMain::connectLoggingActions() {}
