#pragma once
// The program's fixed user-facing texts, in one place. Texts are UTF-8.

namespace msg {

inline constexpr const char* ApplicationTitle = "Quillmere";

// Connection
inline constexpr const char* DatabaseMustBeConnected = "The database must be connected before checking this value.";
inline constexpr const char* CannotDetermineProtocol = "Internal error: Cannot determine protocol type from Database Name.";
inline constexpr const char* NotConnectedForServerName =
    "Internal error: IBDatabase not connected before calling GetServerNameAndProtocol.";
inline constexpr const char* NotAnInterBase7Database =
    "This database is not an InterBase 7 database.  Performance monitoring only works with databases created with "
    "InterBase 7 or higher.";
// What a failure of the server or the connection means; the client library's text follows below
// it as the detail (ConnectionFailureText).
inline constexpr const char* ServerNotAnswering = "The server at %1 does not answer";
inline constexpr const char* DatabaseShutDown = "The database has been shut down";
inline constexpr const char* ConnectionLostToServer = "The connection to the server was lost";
inline constexpr const char* ConnectionFailureText = "%1\n\n%2";
// Database names refused before the client library sees them
inline constexpr const char* DatabaseNameEmpty = "Enter the name of the database to connect to.";
inline constexpr const char* DatabaseNameUnresolvable = "The database name %1 cannot be resolved: %2.";

// Services: the server log and the database statistics
inline constexpr const char* ServicesClientAttached = "Internal error: a Services client was changed while attached.";
inline constexpr const char* ServicesClientNotAttached = "Internal error: the Services client is not attached.";
inline constexpr const char* StatisticsPathEmpty =
    "The database statistics cannot be requested: the database name holds no path of a database on the server.";
inline constexpr const char* ServiceReplyMalformed = "The service manager's reply could not be read: %1";
inline constexpr const char* ServiceReplyNotOutput = "it does not begin with the service output.";
inline constexpr const char* ServiceReplyShort = "its text runs past the end of the reply.";
inline constexpr const char* ServiceReplyUnterminated =
    "its text is followed neither by the end of the output nor by the mark that more follows.";

// The statistics options dialog; "&&" shows one ampersand.
inline constexpr const char* StatisticsOptionsCaption = "Database Statistics";
inline constexpr const char* StatisticsOptionsGroup = "Options";
inline constexpr const char* StatisticsHeaderOnly = "Header only";
inline constexpr const char* StatisticsHeaderAndLog = "Header && log";
inline constexpr const char* StatisticsIndexPages = "Header, log, && index pages";
inline constexpr const char* StatisticsDataPages = "Header, log, index && data pages";
inline constexpr const char* StatisticsSystemTables = "Header, log, index && data pages, including system tables";
inline constexpr const char* StatisticsOptionsOK = "OK";
inline constexpr const char* StatisticsOptionsCancel = "Cancel";

// Client library
inline constexpr const char* ClientLibraryNotLoaded = "The InterBase client library could not be loaded. Tried: %1";
inline constexpr const char* ClientLibraryEntryMissing =
    "The InterBase client library %1 lacks the entry point %2.";
inline constexpr const char* UnknownClientError = "The client library reported an error without a message.";
inline constexpr const char* StatementNotPrepared = "Internal error: the statement has not been prepared.";
inline constexpr const char* ParameterIndexOutOfRange = "Internal error: parameter %1 does not exist in the statement.";
inline constexpr const char* ColumnIndexOutOfRange = "Internal error: column %1 does not exist in the result.";
inline constexpr const char* UnsupportedParameterType = "Internal error: parameter %1 has a type that cannot be set.";
inline constexpr const char* NotAttached = "Internal error: the database is not attached.";
inline constexpr const char* AttachmentInUse = "Internal error: the attachment is in use.";
inline constexpr const char* NoAnswerWithinBound = "No answer within %1 seconds.";
inline constexpr const char* DatabaseNameTooLong =
    "The database name is too long: it takes %1 bytes, and the client library accepts at most %2.";
inline constexpr const char* TransactionActive = "Internal error: the transaction is already active.";
inline constexpr const char* TransactionNotActive = "Internal error: the transaction is not active.";
inline constexpr const char* InfoReplyMalformed = "Internal error: the server's information reply could not be read.";
inline constexpr const char* ScriptUnterminated = "The SQL script ends inside a statement, a string or a comment.";

// Snapshots
inline constexpr const char* UnknownColumn = "Internal error: the snapshot %1 has no column %2.";
inline constexpr const char* NoCurrentRow = "Internal error: the snapshot %1 has no current row.";
inline constexpr const char* SnapshotNotBound = "Internal error: the snapshot %1 is not bound to a database.";

// Control of a Firebird server, which can only cancel running statements and end attachments (the
// same texts as the monitoring views' exceptions)
inline constexpr const char* FirebirdCannotEndTransaction =
    "A Firebird server cannot end another attachment's transaction: it can neither commit it nor roll it back. "
    "Shutdown of the user ends the attachment and rolls its transactions back.";
// the tool tip of Commit and Rollback, disabled on a Firebird server
inline constexpr const char* FirebirdCannotEndTransactionHint =
    "A Firebird server cannot commit or roll back another attachment's transaction.\n"
    "Shutdown on the Users tab ends the attachment and rolls its transactions back.";
inline constexpr const char* FirebirdCannotCancelStalled =
    "A Firebird server cancels only a running statement. This one waits for its client to fetch (STALLED); "
    "Shutdown of the user ends it.";
inline constexpr const char* FirebirdSystemAttachment =
    "This is one of the server's own attachments (its cache writer or garbage collector): the server "
    "does not let it be cancelled or shut down.";

// Performance logging
inline constexpr const char* TraceFileNotWritten = "The trace file %1 could not be written: %2";
inline constexpr const char* GeneratorQueryEmpty = "Internal error: the generator query returned no row.";

// The progress dialog
inline constexpr const char* ProgressCaption = "Working...";
inline constexpr const char* ProgressAbort = "Abort";
inline constexpr const char* ProgressWorkFailedUnknown = "Internal error: the work failed with an unknown error.";

// The logging setup dialog; "&&" shows one ampersand.
inline constexpr const char* LoggingSetupCaption = "Quillmere Logging Setup";
inline constexpr const char* LoggingSetupInstructions =
    "Unlike monitoring, logging is resource-intensive.  Select only the options you need, and set the Log Interval "
    "to a high number.";
inline constexpr const char* LoggingGroupDatabase = "Database";
inline constexpr const char* LoggingGroupProcedures = "Procedures";
inline constexpr const char* LoggingGroupRelations = "Tables / Views";
inline constexpr const char* LoggingGroupUsers = "Users";
inline constexpr const char* LoggingGroupMemory = "Memory";
inline constexpr const char* LoggingGroupStatements = "Statements";
inline constexpr const char* LoggingGroupTransactions = "Transactions";
inline constexpr const char* LoggingGroupGenerator = "Generator";
inline constexpr const char* LoggingGroupInterval = "Log Interval";
inline constexpr const char* LoggingEnabled = "Enabled";
inline constexpr const char* LoggingSummarized = "Summarized";
inline constexpr const char* LoggingTable = "Table";
inline constexpr const char* LoggingGeneratorName = "Name";
inline constexpr const char* LoggingDays = "days,";
inline constexpr const char* LoggingHours = "hours,";
inline constexpr const char* LoggingMinutes = "minutes,";
inline constexpr const char* LoggingSeconds = "seconds";
inline constexpr const char* LoggingOK = "OK";
inline constexpr const char* LoggingCancel = "Cancel";
inline constexpr const char* LoggingHelp = "Help";
inline constexpr const char* LoggingHelpFile = "Logging.html";
inline constexpr const char* LoggingNamesMissing =
    "You must enter a valid table name for every enabled logging option and a valid generator name.";
inline constexpr const char* LoggingIntervalZero =
    "You must enter a positive logging interval (days, hours, minutes, seconds) or disable all logging options.";
inline constexpr const char* LoggingIntervalTooLong =
    "The logging interval is too long: the longest interval the log timer can count is 49 days, 17 hours, 2 "
    "minutes and 47 seconds.";

// Settings file
inline constexpr const char* SettingsFileNotRead = "The settings file %1 could not be read: %2";
inline constexpr const char* SettingsFileNotWritten = "The settings file %1 could not be written: %2";
inline constexpr const char* SettingsFileNotOrdinary = "it is not an ordinary file";
inline constexpr const char* SettingsFolderNotCreated = "its folder %1 could not be created";

// Text viewer
inline constexpr const char* TextViewerCaption = "Text Viewer";
inline constexpr const char* TextViewerOK = "OK";
inline constexpr const char* TextViewerPrint = "Print";
inline constexpr const char* TextViewerCopy = "Copy";
inline constexpr const char* TextViewerSelectAll = "Select All";
inline constexpr const char* NoDefaultPrinter =
    "The text cannot be printed: no printer is installed, or none is set as the default printer.";

// About box
inline constexpr const char* AboutCaption = "About";
inline constexpr const char* AboutOK = "OK";
inline constexpr const char* InterBaseTrademarkNotice = "InterBase is a trademark of\nEmbarcadero Technologies, Inc.";

// Error reporting
inline constexpr const char* UnknownError = "Internal error: an unknown error occurred.";
inline constexpr const char* ErrorListOK = "OK";
inline constexpr const char* ErrorListCount = "Messages: %1";

// The main window; "&&" shows one ampersand.
inline constexpr const char* TabDatabase = "Database";
inline constexpr const char* TabMemory = "Memory";
inline constexpr const char* TabProcedures = "Procedures";
inline constexpr const char* TabStatements = "Statements";
inline constexpr const char* TabRelations = "Tables && Views";
inline constexpr const char* TabTransactions = "Transactions";
inline constexpr const char* TabUsers = "Users";
inline constexpr const char* MenuFile = "&File";
inline constexpr const char* MenuMonitor = "&Monitor";
inline constexpr const char* MenuMemory = "M&emory";
inline constexpr const char* MenuLogging = "&Logging";
inline constexpr const char* MenuTools = "&Tools";
inline constexpr const char* MenuHelp = "&Help";
inline constexpr const char* ActConnect = "&Connect...";
inline constexpr const char* ActDisconnect = "&Disconnect";
inline constexpr const char* ActExit = "E&xit";
inline constexpr const char* ActExitHint = "Exit|Quits the application";
inline constexpr const char* ActSlowRefresh = "&Slow Refresh (30 Seconds)";
inline constexpr const char* ActMediumRefresh = "&Medium Refresh (10 Seconds)";
inline constexpr const char* ActFastRefresh = "&Fast Refresh (1 Second)";
inline constexpr const char* ActPaused = "&Paused";
inline constexpr const char* ActRefresh = "&Refresh";
inline constexpr const char* ActMemorySummary = "&Show Graph";
inline constexpr const char* ActMemoryDetails = "S&how Grid";
inline constexpr const char* ActShowSystemTables = "S&how System Tables";
inline constexpr const char* ActSetupLogging = "&Setup Logging...";
inline constexpr const char* ActLoggingEnabled = "&Logging";
inline constexpr const char* ActViewDatabaseStatistics = "V&iew Database Statistics...";
inline constexpr const char* ActViewInterbaseLog = "&View interbase.log";
inline constexpr const char* ActHelpContents = "&Contents";
inline constexpr const char* ActHelpWeb = "&Quillmere on the Web";
inline constexpr const char* ActHelpAbout = "&About";
inline constexpr const char* ActStatementCancel = "&Cancel";
inline constexpr const char* ActTransactionCommit = "&Commit";
inline constexpr const char* ActTransactionRollback = "&Rollback";
inline constexpr const char* ActAttachmentCancel = "&Cancel Current Operation";
inline constexpr const char* ActAttachmentShutdown = "&Shutdown";
inline constexpr const char* ActGoToUser = "&Go to User";
inline constexpr const char* StatusLogging = "Logging";
inline constexpr const char* StatusLoggingWaits = "Logging waits for a connection";
// the database panel of the status bar after a refresh found the connection gone; %1: the database name
inline constexpr const char* StatusConnectionLost = "Connection lost: %1. Refreshing is paused; F5 tries again.";
// the status bar on every tab while the user (neither SYSDBA, the owner nor RDB$ADMIN) sees only
// its own attachments in the monitoring tables
inline constexpr const char* StatusOwnConnectionsOnly = "Only your own connections are shown";

// The Database tab's labels: the 44 counters and what Firebird 4 and later add, in display order
// (the columns they show are listed beside them in the main window's database properties table).
inline constexpr const char* DatabasePropertyLabels[] = {
    "Active threads", "Attachments", "Compiled statements", "Loaded procedures", "Loaded tables and views",
    "Loaded triggers", "Memory: Cache buffers", "Memory: Cache free waits", "Memory: Cache free writes",
    "Memory: Cache latch waits", "Memory: Cache precedence", "Memory: Cache pool", "Memory: Current",
    "Memory: Maximum ever allocated", "Memory: Permanent pool", "Memory: Pools", "Memory: Sort",
    "Pages allocated", "Page fetches", "Page marks", "Page reads", "Page writes", "Record backouts",
    "Record deletes", "Record expunges", "Record inserts", "Record purges", "Record selects", "Record updates",
    "Sweep active?", "Sweep interval", "Sweep records", "Sweep table", "Transactions", "Transactions: Commits",
    "Transactions: Conflicts", "Transactions: Deadlocks", "Transactions: Next", "Transactions: Oldest active",
    "Transactions: Oldest interesting", "Transactions: Oldest snapshot", "Transactions: Prepares",
    "Transactions: Rollbacks", "Transactions: Waits", "Encryption", "Replica mode"};

// The Database tab beyond its 44 counters: the rates of the counters (third column), the gaps
// between transaction numbers below the counters, and the Transactions tab's mark of the oldest
// active transaction.
inline constexpr const char* DatabaseRatePerSecond = "%1/s";  // the change per second
inline constexpr const char* DatabaseRateHint = "Change per second since the previous refresh";
inline constexpr const char* TransactionGapLabels[] = {"Gap: Next - Oldest active",
                                                       "Gap: Oldest active - Oldest interesting",
                                                       "Gap: Next - Oldest snapshot"};
// %1 and %2: the amber and red thresholds
inline constexpr const char* TransactionGapHint =
    "Amber past %1, red past %2 (settings file, section [TransactionHealth])";
inline constexpr const char* OldestActiveTransactionHint = "The database's oldest active transaction";
// The refresh panel of the status bar; %1: the time of the last refresh, %2: how long it took (ms)
inline constexpr const char* StatusLastRefresh = "Last refresh %1 (%2 ms)";
inline constexpr const char* StatusPaused = "Paused";
inline constexpr const char* StatusPausedLastRefresh = "Paused. Last refresh %1 (%2 ms)";

// The memory charts
inline constexpr const char* ChartPoolTypesTitle = "Memory Usage by Pool Type";
inline constexpr const char* ChartHistoryTitle = "Memory Usage History";
inline constexpr const char* ChartHistoryAxis = "Total Memory (MB)";
inline constexpr const char* ChartKilobytes = "%1 KB";

// The connect dialog
inline constexpr const char* ConnectCaption = "Connect to Database";
inline constexpr const char* ConnectDatabaseName = "&Database name";
inline constexpr const char* ConnectUserName = "&User name";
inline constexpr const char* ConnectPassword = "&Password";
inline constexpr const char* ConnectRole = "&Role";
inline constexpr const char* ConnectCharacterSet = "&Character set";
inline constexpr const char* ConnectDefaultCharacterSet = "NONE";
inline constexpr const char* ConnectCharacterSets[] = {
    "ASCII", "BIG_5", "CYRL", "DOS437", "DOS850", "DOS852", "DOS857", "DOS860", "DOS861", "DOS863",
    "DOS865", "EUCJ_0208", "GB_2312", "ISO8859_1", "KSC_5601", "NEXT", "NONE", "OCTETS", "SJIS_0208",
    "UNICODE_FSS"};
inline constexpr const char* ConnectOK = "OK";
inline constexpr const char* ConnectCancel = "Cancel";
inline constexpr const char* ConnectBrowse = "&Browse...";
inline constexpr const char* ConnectBrowseFilter = "InterBase database (*.ib *.gdb);;All files (*)";
inline constexpr const char* ConnectRememberDatabase = "Remember Database";
inline constexpr const char* ConnectRememberUsername = "Remember User name and Password";
inline constexpr const char* ConnectConfirmCaption = "Confirm";
inline constexpr const char* ConnectPlainTextWarning =
    "Warning: The remembered User Names and Passwords are stored in a plain text file.  You should use this option "
    "only if you are certain that your local filesystem is secure.\n\r\n\rAre you sure you wish to enable this option?";

// Monitoring grids
inline constexpr const char* GridGroupRow = "%1: %2 (%3)";  // caption, value, number of rows
inline constexpr const char* GridGroupPanelHint = "Drag a column header here to group by that column";
inline constexpr const char* GridSortAscending = "Sort &ascending";
inline constexpr const char* GridSortDescending = "Sort &descending";
inline constexpr const char* GridClearSorting = "&Clear sorting";
inline constexpr const char* GridGroupByColumn = "&Group by this column";
inline constexpr const char* GridRemoveGrouping = "&Remove grouping";
inline constexpr const char* GridFilterByValue = "&Filter by value";
inline constexpr const char* GridRemoveFilter = "Remove f&ilter";
inline constexpr const char* GridFilterAll = "(All)";
inline constexpr const char* GridBlankValue = "(Blanks)";

// The grids' quick filter, Hide idle, copy and export
inline constexpr const char* GridQuickFilterPlaceholder = "Filter rows (Ctrl+F)";
inline constexpr const char* GridQuickFilterHint =
    "Shows only the rows in which one of the visible columns contains the text (letter case ignored)";
inline constexpr const char* GridHideIdle = "Hide &idle";
inline constexpr const char* GridHideIdleHint = "Hides the rows whose state is IDLE";
inline constexpr const char* GridCopyRows = "&Copy";
inline constexpr const char* ActExportGrid = "&Export Grid...";
inline constexpr const char* ExportGridCaption = "Export Grid";
inline constexpr const char* ExportGridFilter = "CSV files (*.csv);;All files (*)";
inline constexpr const char* GridExportFailed = "The grid could not be exported to %1: %2";

// SQL pane
inline constexpr const char* PlanPanePlaceholder = "The plan of the current statement, as the server explains it";
inline constexpr const char* SqlPaneCopy = "&Copy";
inline constexpr const char* SqlPaneSelectAll = "Select &All";

// Control commands: the confirmation box and the texts when the server changed no row
inline constexpr const char* ConfirmCaption = "Confirm";
inline constexpr const char* ConfirmCancelStatement = "Are you sure you want to cancel this statement?";
inline constexpr const char* ConfirmCommitTransaction = "Are you sure you want to commit transaction ID ";
inline constexpr const char* ConfirmRollbackTransaction = "Are you sure you want to roll back transaction ID ";
inline constexpr const char* ConfirmCancelAttachment =
    "Are you sure you want to cancel the current operations for the user ";
inline constexpr const char* ConfirmShutdownAttachment = "Are you sure you want to shutdown this connection for user ";
inline constexpr const char* ConfirmQuestionEnd = "?";
inline constexpr const char* FailedStatement = "Operation failed.  The statement may no longer be active.";
inline constexpr const char* FailedTransaction = "Operation failed.  The transaction may no longer be active.";
inline constexpr const char* FailedAttachment = "Operation failed.  The user may no longer be active.";
// The question about several rows (%1: how many); the rows are listed below it.
inline constexpr const char* ConfirmCancelStatements = "Are you sure you want to cancel these %1 statements?";
inline constexpr const char* ConfirmCommitTransactions = "Are you sure you want to commit these %1 transactions?";
inline constexpr const char* ConfirmRollbackTransactions = "Are you sure you want to roll back these %1 transactions?";
inline constexpr const char* ConfirmCancelAttachments =
    "Are you sure you want to cancel the current operations of these %1 connections?";
inline constexpr const char* ConfirmShutdownAttachments = "Are you sure you want to shut down these %1 connections?";
// What a question names of each target: its id, user, client and the start of its SQL text.
inline constexpr const char* ConfirmTargetsSeparator = "\r\n\r\n";
inline constexpr const char* ConfirmTargetLineEnd = "\r\n";
inline constexpr const char* ControlTargetId = "ID %1";
inline constexpr const char* ControlTargetUser = ", user %1";
inline constexpr const char* ControlTargetClient = ", client %1";
inline constexpr const char* ControlTargetProgramOnHost = "%1 on %2";
inline constexpr const char* ControlTargetProcess = " (process %1)";
inline constexpr const char* ControlTargetSqlInLine = ": %1";
inline constexpr const char* ControlTargetCut = "\u2026";
inline constexpr const char* ControlTargetsMore = "and %1 more";
// The results of a command on several rows, one box: a summary line, then each row.
inline constexpr const char* ControlResultsSummary = "%1 of %2 done.";
inline constexpr const char* ControlResultDone = "ID %1: done";
inline constexpr const char* ControlResultFailed = "ID %1: %2";
// The status bar when the rows the user chose have ended (%1: their ids).
inline constexpr const char* ChosenStatementsEnded =
    "The statement you chose has ended (ID %1). Choose a statement to act on.";
inline constexpr const char* ChosenTransactionsEnded =
    "The transaction you chose has ended (ID %1). Choose a transaction to act on.";
inline constexpr const char* ChosenAttachmentsEnded =
    "The connection you chose has ended (ID %1). Choose a user to act on.";

// Reports and help
inline constexpr const char* ServerLogCaptionSuffix = " interbase.log";
inline constexpr const char* StatisticsViewerCaption = "Database Statistics";
inline constexpr const char* HelpFolder = "Help";
inline constexpr const char* HelpFileExtension = ".html";
// an installed program's help pages, from its folder (bin/ to share/quillmere/help)
inline constexpr const char* InstalledHelpFolder = "../share/quillmere/help";
inline constexpr const char* ProductWebAddress = "https://quillmere.example.org/";

// The help window (dialogs/HelpWindow.h) and the web browser (dialogs/BrowserLauncher.h)
inline constexpr const char* HelpHomePage = "quillmere.html";  // the first page of the contents
inline constexpr const char* HelpWindowCaption = "Quillmere Help";
inline constexpr const char* HelpBack = "&Back";
inline constexpr const char* HelpForward = "&Forward";
inline constexpr const char* HelpHome = "&Home";
inline constexpr const char* HelpFind = "&Find";
inline constexpr const char* HelpFindNext = "Find &Next";
inline constexpr const char* HelpFindPrevious = "Find &Previous";
inline constexpr const char* HelpOpenInBrowser = "Open in &Browser";
inline constexpr const char* HelpClose = "&Close";
inline constexpr const char* HelpFindLabel = "Find:";
inline constexpr const char* HelpFindNotFound = "Not found";
inline constexpr const char* HelpPageMissing =
    "<h1>Help page missing</h1><p>The help page <code>%1</code> is not there.</p>"
    "<p>An installed Quillmere keeps its help pages in <code>/usr/share/quillmere/help</code>; a program run "
    "from its build folder in the folder <code>Help</code> beside it. Reinstalling Quillmere (the package "
    "quillmere) puts them back.</p>";
inline constexpr const char* BrowserNoOpener =
    "No web browser could be started for %1: the desktop's opener xdg-open (package xdg-utils) is not installed.";
inline constexpr const char* BrowserFailed = "No web browser could show %1.\n%2";
inline constexpr const char* BrowserOpenerStatus = "xdg-open ended with exit status %1.";

// The command line of every program (common/CommandLine.h); %1 is the program's name
inline constexpr const char* CommandLineVersion =
    "%1 %2\n"
    "Copyright (C) %3\n"
    "License: MIT <https://opensource.org/licenses/MIT>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.";
inline constexpr const char* CommandLineFailed = "%1: %2";  // the program, the message
inline constexpr const char* CommandLineHelpHint = "Run %1 --help for the usage.";
inline constexpr const char* CommandLineUnknownOption = "Unknown option \"%1\".";
inline constexpr const char* CommandLineOptionNeedsValue = "The option %1 needs a value.";
inline constexpr const char* CommandLineTooManyArguments = "Unexpected argument \"%1\".";
// The help of the quillmere program (quillmere --help; its manual page is made from it)
inline constexpr const char* ProgramHelp =
    "Usage: quillmere [OPTION]... [DATABASE]\n"
    "\n"
    "Quillmere monitors one database of an InterBase-family server (on Linux a Firebird server,\n"
    "read through its MON$ tables): its attachments, statements, transactions, memory and tables,\n"
    "refreshed on a timer in one tabbed window. On confirmation it cancels statements and users'\n"
    "work; it shows the server log and the database statistics, and logs the monitoring tables\n"
    "into log tables inside the database.\n"
    "\n"
    "The connect dialog opens at start. DATABASE, when given, is filled in there: a local path, or\n"
    "SERVER:PATH, SERVER/PORT:PATH; the user name and the other values of a remembered connection\n"
    "to it come with it.\n"
    "\n"
    "Options:\n"
    "  -h, --help  shows this help and ends\n"
    "  --version   shows the version and the licence and ends\n"
    "Qt's own options (-platform, -style, -display and the others) are taken as well.\n"
    "\n"
    "Files:\n"
    "An installed quillmere keeps its settings (monitoring options, logging setup, remembered\n"
    "connections) in ~/.config/Quillmere/quillmere.ini (the folder follows XDG_CONFIG_HOME); a\n"
    "program run from its build folder keeps quillmere.ini beside itself. The help pages, which\n"
    "Help > Contents (F1) shows in Quillmere's own help window, are in /usr/share/quillmere/help.\n";

// Logging control
inline constexpr const char* InformationCaption = "Information";
inline constexpr const char* WarningCaption = "Warning";
inline constexpr const char* LoggingPausedForSetup = "Logging will be paused while the setup dialog is open.";
inline constexpr const char* LoggingStartNow = "Do you want to start logging now?";
inline constexpr const char* LoggingResumeNow = "Resume logging now?";
inline constexpr const char* LoggingMissingTablesHead =
    "The following tables which you have selected for logging do not exist in the current database:";
inline constexpr const char* LoggingMissingTablesTail =
    "Press OK to create them now or Cancel to abort and choose different table names.";
inline constexpr const char* LoggingIncorrectTablesHead =
    "The following tables which you have selected for logging exist in the current database, but have incorrect "
    "metadata:";
inline constexpr const char* LoggingIncorrectTablesTail =
    "Press OK to recreate them now or Cancel to abort and choose different table names.";
inline constexpr const char* LoggingIncorrectTablesWarning =
    "WARNING: Recreating the tables means that you will lose all existing data in these tables!";
inline constexpr const char* LoggingGeneratorMissingHead = "Generator ";
inline constexpr const char* LoggingGeneratorMissingTail =
    " does not exist.  Press OK to create it now or Cancel to abort and choose a different generator name.";

// History: the local store of recorded moments (%1 is the store's file name throughout)
inline constexpr const char* HistoryStoreNotOpened = "The history store %1 cannot be opened: %2";
inline constexpr const char* HistoryStoreFailed = "The history store %1 failed: %2";
inline constexpr const char* HistoryStoreFull =
    "The history store %1 cannot be written: the disk is full. What was recorded before is kept.";
inline constexpr const char* HistoryStoreReadOnly =
    "The history store %1 cannot be written: the file or its folder is read-only.";
inline constexpr const char* HistoryStoreDamaged =
    "The history store %1 is damaged or not a database (%2). It is left as it is; move it away to record anew.";
inline constexpr const char* HistoryStoreForeign = "The file %1 is not a Quillmere history store. It is left as it is.";
// %2: the store's version, %3: the newest version this program knows
inline constexpr const char* HistoryStoreNewer =
    "The history store %1 was written by a newer Quillmere (store version %2; this one knows up to %3). It is left "
    "as it is.";
// %2: the database the store belongs to, %3: the database being recorded
inline constexpr const char* HistoryStoreOtherDatabase =
    "The history store %1 belongs to the database %2, not to %3. It is left as it is.";
inline constexpr const char* HistoryFolderNotMade = "The history folder %1 cannot be made.";
// %1: the program that records, %2: its process id
inline constexpr const char* HistoryRecordedElsewhere =
    "The history of this database is being recorded by %1 (process %2); it is not recorded a second time.";
inline constexpr const char* HistoryWriterMarkFailed = "The history store's writer mark %1 cannot be made: %2";
inline constexpr const char* HistoryRowDamaged = "Internal error: a recorded row of the history store %1 cannot be read.";
inline constexpr const char* HistoryMomentGone = "The recorded moment %1 is no longer in the history store.";

// The window's history: Monitor > Record History, the history mode and its timeline, the range
// view and the rate charts
inline constexpr const char* ActRecordHistory = "Record &History";
inline constexpr const char* ActHistory = "Histor&y";
inline constexpr const char* ActLive = "&Live";
inline constexpr const char* StatusRecordingHistory = "Recording history";
// %1: the program that records, %2: its process id
inline constexpr const char* StatusHistoryRecordedBy = "History recorded by %1 (process %2)";
inline constexpr const char* StatusHistoryNotRecorded = "History not recorded";
// the refresh panel while a recorded moment is shown; %1: the moment's time
inline constexpr const char* StatusHistoryMoment = "History %1";
// %1: the database name
inline constexpr const char* HistoryNothingRecorded =
    "No history of the database %1 has been recorded yet. Monitor > Record History records it while the window "
    "is connected.";
inline constexpr const char* HistoryNoDatabase = "Connect to a database first: its history is shown.";
inline constexpr const char* HistoryStripHint =
    "Click a moment; Left and Right step one recorded moment, Home and End go to the first and the last; "
    "Shift+click marks the start of a range; Esc returns to the live view";
inline constexpr const char* HistoryLaneLabels[] = {"Attachments", "Active statements", "Gap: Next - Oldest active",
                                                    "Page reads/s", "Memory"};
inline constexpr const char* HistoryRangeButton = "Statements &Ran...";
inline constexpr const char* HistoryChartsButton = "Rate &Charts...";
inline constexpr const char* HistoryLiveButton = "&Live";
// %1 and %2: the times of the range's first and last moments
inline constexpr const char* HistoryRangeTitle = "Statements that ran between %1 and %2";
inline constexpr const char* HistoryRangeHeaders[] = {"Elapsed", "User", "Client host", "Client program",
                                                      "Process", "First seen running", "Last seen running", "SQL"};
inline constexpr const char* HistoryChartsTitle = "Database rates over the recorded span";
inline constexpr const char* HistoryChartsAxis = "Per second";
inline constexpr const char* HistoryChartsTimeAxis = "Time";
inline constexpr const char* ActOpenLogTables = "Open &Log Tables";
// %1: the database name
inline constexpr const char* HistoryNoLogTables =
    "The database %1 holds none of the log tables that Logging > Setup Logging names.";
inline constexpr const char* HistoryLogTablesEmpty = "The log tables of the database %1 hold no logging pass yet.";

}  // namespace msg
