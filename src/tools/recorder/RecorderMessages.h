#pragma once
// quillmere-recorder's texts: its help, its usage errors and the lines it writes for each event.
// Texts are UTF-8.

namespace recordermsg {

inline constexpr const char* Help =
    // the usage on one line, as the other tools give it, so that its manual page has a synopsis
    "Usage: quillmere-recorder DATABASE [--user NAME] [--password PASSWORD] [--role ROLE] "
    "[--interval SECONDS] [--store FILE] [--retention-days N] [--retention-mb N] "
    "[--metrics HOST:PORT] [--duration SECONDS]\n"
    "  or:  quillmere-recorder --help | --version\n"
    "\n"
    "Records the monitoring tables of one database into Quillmere's history store, without a\n"
    "window: every SECONDS (10 unless given) one recording pass reads all of them in one\n"
    "monitoring transaction and writes what changed. Quillmere's window shows the recorded\n"
    "moments; while the recorder records a database, the window does not record it again.\n"
    "\n"
    "  DATABASE            the database as Quillmere takes it (127.0.0.1/3050:/data/sales.fdb)\n"
    "  --user, --password  credentials; ISC_USER and ISC_PASSWORD when not given\n"
    "  --role              the SQL role to connect with\n"
    "  --interval          seconds between recording passes (at least 1; 10)\n"
    "  --store             the store file (~/.local/share/Quillmere/history/<database>.history)\n"
    "  --retention-days    days of history kept (7)\n"
    "  --retention-mb      largest size of the store in megabytes (1024)\n"
    "  --metrics           serve /metrics in the Prometheus text format on HOST:PORT\n"
    "                      (127.0.0.1:9464, say): the database's counters, gauges of attachments,\n"
    "                      statements and transactions by state, the transaction gaps, memory\n"
    "  --duration          end after this many seconds (run until stopped when not given)\n"
    "\n"
    "A lost connection is tried again after 1, 2, 4 ... up to 60 seconds, without end. SIGTERM\n"
    "and SIGINT end the recorder cleanly. Each event is one line on standard error.\n"
    "Exit status: 0 ended, 1 failed, 2 wrong arguments.\n";

inline constexpr const char* Version = "quillmere-recorder %1";
inline constexpr const char* UsageHint = "Try 'quillmere-recorder --help' for more information.";
inline constexpr const char* Failed = "quillmere-recorder: %1";
inline constexpr const char* UnknownOption = "unknown option %1";
inline constexpr const char* OptionNeedsValue = "%1 needs a value";
inline constexpr const char* NotANumber = "%1 needs a whole number of at least %2, not \"%3\"";
inline constexpr const char* NotAnAddress = "--metrics needs HOST:PORT, not \"%1\"";
inline constexpr const char* NoDatabase = "no database given";
inline constexpr const char* TooManyArguments = "one database only: %1";

// Event lines (after the time stamp). %1: the database, the store or the address.
inline constexpr const char* Started = "recording %1 every %2 s into %3";
inline constexpr const char* MetricsServing = "serving metrics at http://%1/metrics";
inline constexpr const char* MetricsNotServed = "the metrics cannot be served at %1: %2";
inline constexpr const char* Connected = "connected to %1";
inline constexpr const char* NotConnected = "cannot connect to %1: %2; next attempt in %3 s";
inline constexpr const char* ConnectionLost = "connection lost: %1; next attempt in %2 s";
inline constexpr const char* PassFailed = "recording pass failed: %1";
inline constexpr const char* PassRecoveredAfter = "recording again after %1 failed passes";
inline constexpr const char* WaitingForWriter = "%1; waiting until it stops";
inline constexpr const char* WriterFree = "the store is free: recording";
inline constexpr const char* Pruned = "retention removed history older than %1 days or beyond %2 MB";
inline constexpr const char* StoppedBySignal = "stopped by %1";
inline constexpr const char* StoppedAfterDuration = "stopped after %1 s";

}  // namespace recordermsg
