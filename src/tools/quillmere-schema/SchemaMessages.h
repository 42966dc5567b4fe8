#pragma once
// The user-facing texts of quillmere-schema, in one place. Texts are UTF-8; %1, %2 are filled in
// with QString::arg.

namespace schemamsg {

inline constexpr const char* Help =
    "Usage: quillmere-schema COMMAND DATABASE [--user NAME] [--password PASSWORD] [--role ROLE]\n"
    "\n"
    "Installs, removes or reports the monitoring views that let Quillmere monitor a Firebird 3\n"
    "server: TMP$DATABASE, TMP$POOLS, TMP$POOL_BLOCKS, TMP$PROCEDURES, TMP$STATEMENTS,\n"
    "TMP$RELATIONS, TMP$TRANSACTIONS and TMP$ATTACHMENTS over Firebird's MON$ tables, with the\n"
    "triggers, exceptions and the function they use.\n"
    "\n"
    "DATABASE is the database name as Quillmere takes it: a local path, or SERVER:PATH,\n"
    "SERVER/PORT:PATH. Each command works in one transaction: it changes everything or nothing.\n"
    "The views are created with the database's SQL dialect (1 or 3). Every object that\n"
    "quillmere-schema creates carries a description beginning with \"Quillmere:\"; that is how it\n"
    "tells its own objects from others.\n"
    "\n"
    "Commands:\n"
    "  install   creates the views, or replaces those of an earlier installation, so that\n"
    "            installing again gives the same result. Refuses a database that holds TMP$\n"
    "            objects that quillmere-schema did not create (for example the InterBase test\n"
    "            tables), and then changes nothing.\n"
    "  remove    drops every object of the views; other TMP$ objects are left alone.\n"
    "  status    says whether the views are installed, not installed or partly installed,\n"
    "            and names TMP$ objects that quillmere-schema did not create.\n"
    "\n"
    "Options:\n"
    "  --user NAME          user name (default: ISC_USER, as the client library takes it)\n"
    "  --password PASSWORD  password (default: ISC_PASSWORD)\n"
    "  --role ROLE          SQL role\n"
    "  -h, --help           shows this help and ends\n"
    "  --version            shows the version and the licence and ends\n"
    "\n"
    "Exit status:\n"
    "  0  done (status: installed)\n"
    "  1  failed\n"
    "  2  wrong arguments\n"
    "  3  foreign TMP$ objects (install refused; status)\n"
    "  4  status: not installed\n"
    "  5  status: partly installed\n";

// Wrong arguments
inline constexpr const char* NoCommand = "No command given: install, remove or status.";
inline constexpr const char* UnknownCommand = "Unknown command \"%1\": install, remove or status.";
inline constexpr const char* NoDatabase = "No database given.";

// Results
inline constexpr const char* Installed = "Installed the monitoring views in %1.";
inline constexpr const char* Reinstalled = "Reinstalled the monitoring views in %1 (the earlier installation was replaced).";
inline constexpr const char* Removed = "Removed the monitoring views from %1.";
inline constexpr const char* NothingToRemove = "%1 holds no monitoring views of quillmere-schema; nothing was removed.";
inline constexpr const char* StatusInstalled = "installed: the monitoring views are installed in %1.";
inline constexpr const char* StatusNotInstalled = "not installed: %1 holds no monitoring views of quillmere-schema.";
inline constexpr const char* StatusPartly = "partly installed: %1 lacks %2. Run install to complete it.";
inline constexpr const char* ForeignObjects = "foreign TMP$ objects: %1 holds TMP$ objects that quillmere-schema did not create: %2.";
inline constexpr const char* ForeignObjectsLeft = "Left alone: TMP$ objects that quillmere-schema did not create: %1.";

// Refusals and failures
inline constexpr const char* InstallRefused =
    "%1 holds TMP$ objects that quillmere-schema did not create: %2. The monitoring views would take "
    "their names, so nothing was changed. Remove those objects first, or use another database.";
inline constexpr const char* NotFirebird =
    "%1 is not served by Firebird: the monitoring views need Firebird's MON$ tables.";
inline constexpr const char* OdsTooOld =
    "%1 has the on-disk structure %2; the monitoring views need Firebird 3 or later (ODS 12 or higher).";
inline constexpr const char* ScriptMissing = "Internal error: the views script is not built into quillmere-schema.";
inline constexpr const char* ScriptHasNoObjects = "Internal error: the views script creates no objects.";
inline constexpr const char* DialectUnknown = "Internal error: the server did not report the database's SQL dialect.";

// Object kinds, as the texts above name them
inline constexpr const char* KindTable = "table";
inline constexpr const char* KindView = "view";
inline constexpr const char* KindTrigger = "trigger";
inline constexpr const char* KindException = "exception";
inline constexpr const char* KindFunction = "function";
inline constexpr const char* KindProcedure = "procedure";
inline constexpr const char* KindGenerator = "generator";
inline constexpr const char* ObjectName = "%1 %2";  // kind, name

}  // namespace schemamsg
