#pragma once
// Every SQL text of the history store (SQLite), in one place.

namespace historysql {

// The store's mark (PRAGMA application_id: "QHIS") and the version of its schema (user_version).
inline constexpr int ApplicationId = 0x51484953;
inline constexpr int SchemaVersion = 1;

inline constexpr const char* Begin = "BEGIN IMMEDIATE";
inline constexpr const char* Commit = "COMMIT";
inline constexpr const char* Rollback = "ROLLBACK";

inline constexpr const char* ReadApplicationId = "PRAGMA application_id";
inline constexpr const char* ReadSchemaVersion = "PRAGMA user_version";
inline constexpr const char* TableCount = "SELECT COUNT(*) FROM sqlite_master";
// Writers: a second's patience with another connection's lock; once the file is known to be a
// store, the write-ahead log (readers never wait for a writer) and no more flushing than a crash
// needs to keep the file whole.
inline constexpr const char* WriterWait = "PRAGMA busy_timeout = 1000;";
inline constexpr const char* WriterPragmas = "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;";
inline constexpr const char* ReaderPragmas = "PRAGMA busy_timeout = 1000; PRAGMA query_only = 1;";
inline constexpr const char* IncrementalVacuum = "PRAGMA auto_vacuum = INCREMENTAL";

// The schema. A moment is one recording pass. Database, pools and pool blocks are a row set per
// moment. Procedures, statements, tables, transactions and attachments are objects: a lifetime
// (first and last moment seen; last is MaxMoment while the object lives), the row first seen,
// and a version for every moment at which the row differed from the one before (the columns that
// differ from the first row). Long texts (SQL, plans) are stored once in texts.
inline constexpr const char* CreateSchema = R"(
PRAGMA application_id = 1363691859;
PRAGMA user_version = 1;
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE moments (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  taken INTEGER NOT NULL,
  session INTEGER NOT NULL,
  charset TEXT NOT NULL,
  statements_now INTEGER,
  transactions_now INTEGER,
  attachments INTEGER,
  active_statements INTEGER,
  next_transaction INTEGER,
  oldest_interesting INTEGER,
  oldest_active INTEGER,
  oldest_snapshot INTEGER,
  page_reads INTEGER,
  memory INTEGER);
CREATE INDEX moments_taken ON moments (taken);
CREATE TABLE moment_rows (moment INTEGER NOT NULL, snapshot INTEGER NOT NULL, rows BLOB NOT NULL,
  PRIMARY KEY (moment, snapshot)) WITHOUT ROWID;
CREATE TABLE moment_orders (moment INTEGER NOT NULL, snapshot INTEGER NOT NULL, objects BLOB NOT NULL,
  PRIMARY KEY (moment, snapshot)) WITHOUT ROWID;
CREATE TABLE objects (
  id INTEGER PRIMARY KEY,
  snapshot INTEGER NOT NULL,
  key BLOB NOT NULL,
  first INTEGER NOT NULL,
  last INTEGER NOT NULL,
  row BLOB NOT NULL,
  sql_text INTEGER,
  plan_text INTEGER,
  run_first INTEGER,
  run_last INTEGER,
  run_elapsed REAL);
CREATE INDEX objects_alive ON objects (snapshot, last, first);
CREATE INDEX objects_run ON objects (run_last) WHERE run_last IS NOT NULL;
CREATE INDEX objects_sql ON objects (sql_text) WHERE sql_text IS NOT NULL;
CREATE INDEX objects_plan ON objects (plan_text) WHERE plan_text IS NOT NULL;
CREATE TABLE versions (object INTEGER NOT NULL, moment INTEGER NOT NULL, delta BLOB NOT NULL,
  PRIMARY KEY (object, moment)) WITHOUT ROWID;
CREATE INDEX versions_moment ON versions (moment);
CREATE TABLE texts (id INTEGER PRIMARY KEY, hash INTEGER NOT NULL, body TEXT NOT NULL);
CREATE INDEX texts_hash ON texts (hash);
)";

// meta keys
inline constexpr const char* MetaDatabaseName = "database_name";
inline constexpr const char* MetaDatabasePath = "database_path";
inline constexpr const char* ReadMeta = "SELECT value FROM meta WHERE key = ?1";
inline constexpr const char* WriteMeta = "INSERT OR REPLACE INTO meta (key, value) VALUES (?1, ?2)";

// ---- writing ------------------------------------------------------------------------------------
inline constexpr const char* LastMoment = "SELECT MAX(id) FROM moments";
inline constexpr const char* LastSession = "SELECT MAX(session) FROM moments";
// A new session ends the lifetimes a writer before it left open (a writer that was killed).
inline constexpr const char* CloseOpenObjects = "UPDATE objects SET last = ?1 WHERE last = ?2";
inline constexpr const char* InsertMoment =
    "INSERT INTO moments (taken, session, charset, statements_now, transactions_now, attachments, "
    "active_statements, next_transaction, oldest_interesting, oldest_active, oldest_snapshot, page_reads, memory) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)";
inline constexpr const char* InsertMomentRows = "INSERT INTO moment_rows (moment, snapshot, rows) VALUES (?1, ?2, ?3)";
inline constexpr const char* InsertMomentOrder =
    "INSERT INTO moment_orders (moment, snapshot, objects) VALUES (?1, ?2, ?3)";
inline constexpr const char* InsertObject =
    "INSERT INTO objects (snapshot, key, first, last, row, sql_text) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* EndObject = "UPDATE objects SET last = ?2 WHERE id = ?1";
inline constexpr const char* InsertVersion = "INSERT INTO versions (object, moment, delta) VALUES (?1, ?2, ?3)";
inline constexpr const char* FirstRun =
    "UPDATE objects SET run_first = ?2, run_last = ?2, run_elapsed = ?3, plan_text = ?4 WHERE id = ?1";
inline constexpr const char* GoOnRunning = "UPDATE objects SET run_last = ?2, run_elapsed = ?3 WHERE id = ?1";
inline constexpr const char* FindText = "SELECT id, body FROM texts WHERE hash = ?1";
inline constexpr const char* InsertText = "INSERT INTO texts (hash, body) VALUES (?1, ?2)";

// ---- reading ------------------------------------------------------------------------------------
inline constexpr const char* MomentById =
    "SELECT id, taken, session, charset, statements_now, transactions_now FROM moments WHERE id = ?1";
inline constexpr const char* MomentAtOrBefore = "SELECT MAX(id) FROM moments WHERE taken <= ?1";
inline constexpr const char* MomentList = "SELECT id, taken FROM moments ORDER BY id";
inline constexpr const char* MomentRows = "SELECT rows FROM moment_rows WHERE moment = ?1 AND snapshot = ?2";
inline constexpr const char* MomentOrder = "SELECT objects FROM moment_orders WHERE moment = ?1 AND snapshot = ?2";
// The objects alive at a moment, each with its latest version up to that moment.
inline constexpr const char* AliveObjects =
    "SELECT o.id, o.row, o.sql_text, "
    "(SELECT v.delta FROM versions v WHERE v.object = o.id AND v.moment <= ?2 ORDER BY v.moment DESC LIMIT 1) "
    "FROM objects o WHERE o.snapshot = ?1 AND o.last >= ?2 AND o.first <= ?2";
inline constexpr const char* TextById = "SELECT body FROM texts WHERE id = ?1";
inline constexpr const char* PlanOfStatement =
    "SELECT plan_text FROM objects WHERE snapshot = ?1 AND key = ?2 AND last >= ?3 AND first <= ?3";
// The statements that ran between two moments, longest first.
inline constexpr const char* RanBetween =
    "SELECT o.id, o.row, o.sql_text, o.plan_text, o.run_first, o.run_last, o.run_elapsed FROM objects o "
    "WHERE o.run_last >= ?1 AND o.run_first <= ?2 AND o.snapshot = ?3 ORDER BY o.run_elapsed DESC LIMIT ?4";
inline constexpr const char* Timeline =
    "SELECT id, taken, session, attachments, active_statements, next_transaction, oldest_interesting, "
    "oldest_active, oldest_snapshot, page_reads, memory FROM moments WHERE id BETWEEN ?1 AND ?2 ORDER BY id";
inline constexpr const char* Span = "SELECT MIN(id), MAX(id), MIN(taken), MAX(taken), COUNT(*) FROM moments";

// ---- retention (each a small step) -------------------------------------------------------------
inline constexpr const char* PageCount = "PRAGMA page_count";
inline constexpr const char* FreePages = "PRAGMA freelist_count";
inline constexpr const char* PageSize = "PRAGMA page_size";
inline constexpr const char* FirstMomentAfter = "SELECT MIN(id) FROM moments WHERE taken >= ?1";
// the moment `?1` places after the oldest one
inline constexpr const char* NthMoment = "SELECT id FROM moments ORDER BY id LIMIT 1 OFFSET ?1";
inline constexpr const char* PruneMomentRows = "DELETE FROM moment_rows WHERE moment < ?1";
inline constexpr const char* PruneMomentOrders = "DELETE FROM moment_orders WHERE moment < ?1";
inline constexpr const char* PruneEndedVersions =
    "DELETE FROM versions WHERE object IN (SELECT id FROM objects WHERE last < ?1)";
inline constexpr const char* PruneEndedObjects = "DELETE FROM objects WHERE last < ?1";
// versions before the cut that a later one (still before or at it) replaces
inline constexpr const char* PruneOldVersions =
    "DELETE FROM versions WHERE moment < ?1 AND EXISTS (SELECT 1 FROM versions w WHERE w.object = versions.object "
    "AND w.moment > versions.moment AND w.moment <= ?1)";
inline constexpr const char* PruneMoments = "DELETE FROM moments WHERE id < ?1";
inline constexpr const char* PruneTexts =
    "DELETE FROM texts WHERE id IN (SELECT t.id FROM texts t WHERE NOT EXISTS (SELECT 1 FROM objects o "
    "WHERE o.sql_text = t.id) AND NOT EXISTS (SELECT 1 FROM objects p WHERE p.plan_text = t.id) LIMIT 500)";
inline constexpr const char* ReleasePages = "PRAGMA incremental_vacuum(256)";
inline constexpr const char* Checkpoint = "PRAGMA wal_checkpoint(PASSIVE)";
inline constexpr const char* QuickCheck = "PRAGMA quick_check";

}  // namespace historysql
