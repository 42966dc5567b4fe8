/*
  The InterBase 7 monitoring tables as views over Firebird's monitoring tables (MON$) and the
  system tables (RDB$), so that Quillmere can monitor and control a Firebird server (3.0, 4.0
  and 5.0). Every timestamp here is a plain TIMESTAMP in the server's time zone, also where
  4.0 and later keep the MON$ times WITH TIME ZONE, so a Firebird 3 client reads them all.

  Run it with the SQL dialect of the database (1 or 3); the program reads the views from its
  dialect-1 connection. quillmere-schema carries this script and installs it, reinstalls it
  over an earlier installation, and removes it. Running it again replaces the views' definitions
  (CREATE OR ALTER).

  Every view has the columns of the table of the same name in ib7-monitoring-tables.sql, in the
  same order, with the same types except the 64-bit numbers below (BIGINT where the table has
  INTEGER). Every column is a CAST, so that each gets a domain of its own
  (RDB$n) with exactly that type; the log tables of the performance logging are built from this
  metadata. Text columns are in the database's default character set, as the tables' are.

  What Firebird lacks
  - Numbers: Firebird's identifiers, transaction numbers, counters and memory figures are 64-bit,
    and so are the columns that carry them here (the attachment, statement, transaction and pool
    ids, TMP$SNAPSHOT, the transaction counters of TMP$DATABASE, the page and record counters,
    the record conflicts and waits, and the memory columns), where InterBase has INTEGER: a busy
    database passes 2^31 transactions and page fetches, and a capped or wrapped identifier would
    name another row. They are cast AS TYPE OF RDB$COUNTER, a BIGINT that dialect 1 accepts as
    well (the word BIGINT it refuses); the log tables made from them are BIGINT too. Counts of
    rows (TMP$ATTACHMENTS, TMP$USE_COUNT and the like) keep InterBase's SMALLINT or INTEGER and
    are capped at its largest value (32767 or 2147483647) rather than wrapped, as is
    TMP$ALLOCATED_PAGES.
  - Counters that Firebird does not keep are NULL, so that they show empty rather than as a
    false 0: quantum, clone, invocations of statements, extend memory, free stack nodes and
    bitmap buckets and segments, sort memory, active sorts, the transaction commit/rollback/
    prepare/deadlock counts, the cache precedence, latch and free waits and writes, sweep
    records, the use, sweep and scan counts of relations, their data and garbage-collect pages,
    and their page counters (Firebird counts pages per attachment, transaction and statement,
    not per table), savepoint records.
  - Values that are not counters and that Firebird does not know are NULL: TMP$PRIORITY,
    TMP$DBKEY_ID, TMP$COMMIT_RETAINING (a retaining commit is not visible in MON$), the sweep
    flag and relation.
  - TMP$DATABASE_ID: Firebird has no database number; it is 1 in every view.
  - TMP$POOL_BLOCKS has no rows: Firebird does not report its memory blocks by kind.

  Texts
  - States: statements IDLE / ACTIVE / STALLED (MON$STATE 0 / 1 / 2; stalled is an open cursor
    waiting for its client to fetch); attachments and transactions IDLE / ACTIVE (0 / 1).
  - Isolation (TMP$TRANSACTIONS.TMP$TYPE) from MON$ISOLATION_MODE: 0 CONSISTENCY (table
    stability), 1 CONCURRENCY (snapshot), 2 READ_COMMITTED_REC_VERSION, 3
    READ_COMMITTED_NO_REC_VERSION, and 4 READ_CONSISTENCY (Firebird 4.0 and later,
    their default for read committed).
  - Flags are "Y" or "N".
  - Texts longer than their column are cut at a character boundary by TMP$FIT_TEXT (below),
    which also keeps a text within the bytes of a column in the character set NONE and replaces
    characters that the database's character set cannot hold by "?". So a long statement text,
    in any script, never makes a view fail.

  Speed
  Firebird has no indexes on MON$ tables and cannot hash an outer join: a LEFT JOIN or a
  correlated subquery over them is a nested loop that reads the inner table once per outer row
  (minutes at a thousand attachments). So every join here is an inner join, which Firebird
  hashes, and what may be missing (a count, a sum) comes from a grouped pass that has a row of
  zeros for every key. Plain-ASCII texts, the usual case, are cut and cast directly; only the
  others go through TMP$FIT_TEXT. MON$IO_STATS, MON$RECORD_STATS and MON$MEMORY_USAGE hold the
  statistics of every kind of object (and MON$RECORD_STATS those of every table per object as
  well), so each join to them takes the rows of its own MON$STAT_GROUP only: a join hashes what
  it reads, and a statement's statistics are a small part of all. A figure that several views
  give (the counts and the permanent pool in TMP$DATABASE) is computed where it is needed from
  one grouped pass rather than by reading the other view whole.

  Where the values come from
  - TMP$ATTACHMENTS: MON$ATTACHMENTS without the server's own system attachments (cache
    writer, garbage collector). TMP$USER_IP_ADDR is MON$REMOTE_ADDRESS without its "/port";
    TMP$USER_PROCESS is the client's process id (MON$REMOTE_PID), for an attachment through
    the embedded engine the process id of that engine, which is the client itself.
    TMP$STATEMENTS and TMP$TRANSACTIONS are the attachment's prepared statements and its open
    transactions. Firebird shows an ordinary user only that user's own attachments (and their
    statements and transactions); SYSDBA and the database owner see all.
  - TMP$TRANSACTIONS: TMP$SNAPSHOT is MON$OLDEST_ACTIVE, the oldest transaction that was active
    when this one started (what the database's oldest snapshot is made of); TMP$NOWAIT is "Y"
    for a lock timeout of 0; TMP$WRITE is "Y" once the transaction has inserted, updated or
    deleted a record.
  - TMP$PROCEDURES: Firebird has no list of loaded procedures. The view shows the stored
    procedures on the call stacks (MON$CALL_STACK) now, one row per procedure, packaged ones
    as PACKAGE.PROCEDURE: TMP$USE_COUNT is the number of statements running it, TMP$INVOCATIONS
    the number of its calls on the stacks, TMP$TIMESTAMP the start of the oldest of them, the
    memory and the counters are sums over those calls.
  - TMP$RELATIONS: every table and view of RDB$RELATIONS, with the record counters of the
    database-wide table statistics (MON$TABLE_STATS, MON$STAT_GROUP 0), 0 before a table is
    used; TMP$FORMATS is RDB$FORMAT, TMP$POINTER_PAGES counts the relation's pointer pages in
    RDB$PAGES.
  - TMP$DATABASE: MON$DATABASE with the database-wide statistics. TMP$ACTIVE_THREADS counts the
    statements running now; TMP$PROCEDURES, TMP$RELATIONS and TMP$POOLS count the rows of those
    views; TMP$TRIGGERS counts the active triggers; TMP$CURRENT_MEMORY and TMP$MAXIMUM_MEMORY are
    the database's memory in use and its peak; TMP$TRANSACTION_CONFLICTS and
    TMP$TRANSACTION_WAITS are the database's record conflicts and record waits.

  Memory pools (TMP$POOLS)
  Firebird reports memory per object, and an object's figure includes that of the objects
  inside it (the database holds its attachments and its page cache, an attachment its
  transactions and statements). A pool here is the memory of one object without that of the
  objects listed separately, so that the pools add up to the database's memory in use.
  TMP$TYPE is a three-letter code after MON$STAT_GROUP, chosen from the codes the program
  names, or new where Firebird has a kind of its own:
    CCH  the page cache: MON$PAGE_BUFFERS x MON$PAGE_SIZE (the buffers' descriptors stay in
         PRM). TMP$POOL_ID 0.
    PRM  group 0, the database: metadata and everything else that no attachment owns, which is
         what InterBase keeps in its permanent pool.
    ATT  group 1, one per attachment (the system attachments too): the attachment's own
         memory, without its statements and transactions. InterBase has no pool of this kind.
    TRA  group 2, one per transaction.
    REQ  group 3, one per statement, with the procedure and trigger calls it runs (group 4,
         whose memory Firebird counts in the statement's).
  TMP$POOL_ID is the object's MON$STAT_ID, which is also the TMP$POOL_ID of the object's row in
  TMP$ATTACHMENTS, TMP$TRANSACTIONS and TMP$STATEMENTS. TMP$POOL_MEMORY is the memory in use;
  TMP$FREE_MEMORY is what the object holds from the operating system beyond its use
  (MON$MEMORY_ALLOCATED - MON$MEMORY_USED; Firebird's SuperServer reports allocations mostly at
  the database level). On Classic and SuperClassic servers the database level reports 0.

  Control (the UPDATE ... SET TMP$STATE statements of the program)
  BEFORE UPDATE triggers turn the state writes into actions; an UPDATE that finds its row
  reports one changed row, one whose row has gone reports none.
    TMP$STATEMENTS   CANCEL    DELETE FROM MON$STATEMENTS of that statement when it runs:
                               Firebird cancels what the statement's attachment is running
                               (asynchronously; the client receives "operation was cancelled").
                               Firebird's cancel is the attachment's: given while the
                               attachment runs nothing, it would cancel its next request. So a
                               statement that has finished (IDLE) is left alone, and CANCEL of
                               a STALLED one (an open cursor waiting for its client) raises
                               TMP$CANNOT_CANCEL_STALLED.
    TMP$ATTACHMENTS  CANCEL    the same for the attachment's running statements (MON$STATE 1),
                               except the UPDATE itself when the attachment is our own.
                     SHUTDOWN  DELETE FROM MON$ATTACHMENTS: Firebird disconnects the attachment
                               and rolls back its transactions.
    TMP$TRANSACTIONS COMMIT, ROLLBACK  raise TMP$CANNOT_END_TRANSACTION: Firebird cannot end
                               another attachment's transaction.
  Any other change of TMP$STATE raises TMP$STATE_NOT_SUPPORTED; an UPDATE that leaves it as it
  is does nothing. Firebird lets an ordinary user act on that user's own attachments only.

  Every object here carries a description (COMMENT ON) beginning with "Quillmere:", by which
  quillmere-schema tells its own objects from other TMP$ objects of the database.
*/

CREATE OR ALTER EXCEPTION TMP$CANNOT_END_TRANSACTION
  'A Firebird server cannot end another attachment''s transaction: it can neither commit it nor roll it back. Shutdown of the user ends the attachment and rolls its transactions back.';

CREATE OR ALTER EXCEPTION TMP$CANNOT_CANCEL_STALLED
  'A Firebird server cancels only a running statement. This one waits for its client to fetch (STALLED); Shutdown of the user ends it.';

CREATE OR ALTER EXCEPTION TMP$STATE_NOT_SUPPORTED
  'The state @1 cannot be written here. A user takes CANCEL or SHUTDOWN, a statement CANCEL.';

SET TERM ^ ;

/*
  TMP$FIT_TEXT(SOURCE, N): SOURCE cut to at most N characters, in the database's default
  character set, such that it fits a CHAR(N) or VARCHAR(N) column of that set.
  - In NONE and OCTETS a character is a byte and the conversion copies the UTF-8 bytes, so the
    text is cut further, at a character boundary, until its bytes fit. Each round removes
    ceil(excess / 4) characters (at least one), which never removes more than needed since a
    character takes at most 4 bytes.
  - A character that the default character set lacks becomes "?".
*/
CREATE OR ALTER FUNCTION TMP$FIT_TEXT (SOURCE VARCHAR(4094) CHARACTER SET UTF8, N INTEGER)
  RETURNS VARCHAR(4094)
AS
  DECLARE VARIABLE T VARCHAR(4094) CHARACTER SET UTF8;
  DECLARE VARIABLE R VARCHAR(4094);
  DECLARE VARIABLE CS CHAR(31);
  DECLARE VARIABLE PIECE VARCHAR(64) CHARACTER SET UTF8;
  DECLARE VARIABLE I INTEGER;
  DECLARE VARIABLE J INTEGER;
  DECLARE VARIABLE CUT INTEGER;
BEGIN
  IF (SOURCE IS NULL) THEN
    RETURN NULL;
  T = LEFT(SOURCE, N);
  SELECT COALESCE(RDB$CHARACTER_SET_NAME, 'NONE') FROM RDB$DATABASE INTO :CS;
  IF (CS = 'NONE' OR CS = 'OCTETS') THEN
    WHILE (OCTET_LENGTH(T) > N) DO
    BEGIN
      /* ceil(excess / 4), whether "/" truncates (dialect 3) or rounds to the INTEGER (dialect 1) */
      CUT = (OCTET_LENGTH(T) - N + 3) / 4;
      IF (CUT * 4 > OCTET_LENGTH(T) - N + 3) THEN
        CUT = CUT - 1;
      T = LEFT(T, CHAR_LENGTH(T) - CUT);
    END
  BEGIN
    R = T;
    WHEN ANY DO
    BEGIN
      /* piece by piece, and character by character in the pieces that do not convert */
      R = '';
      I = 1;
      WHILE (I <= CHAR_LENGTH(T)) DO
      BEGIN
        PIECE = SUBSTRING(T FROM I FOR 64);
        BEGIN
          R = R || PIECE;
          WHEN ANY DO
          BEGIN
            J = 1;
            WHILE (J <= CHAR_LENGTH(PIECE)) DO
            BEGIN
              BEGIN
                R = R || SUBSTRING(PIECE FROM J FOR 1);
                WHEN ANY DO
                  R = R || '?';
              END
              J = J + 1;
            END
          END
        END
        I = I + 64;
      END
    END
  END
  RETURN R;
END^

SET TERM ; ^

/* No rows: Firebird does not report its memory blocks by kind. */
CREATE OR ALTER VIEW TMP$POOL_BLOCKS AS
SELECT
  CAST(0 AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(0 AS INTEGER) AS TMP$ACC,
  CAST(0 AS INTEGER) AS TMP$ARR,
  CAST(0 AS INTEGER) AS TMP$ATT,
  CAST(0 AS INTEGER) AS TMP$BCB,
  CAST(0 AS INTEGER) AS TMP$BDB,
  CAST(0 AS INTEGER) AS TMP$BLB,
  CAST(0 AS INTEGER) AS TMP$BLF,
  CAST(0 AS INTEGER) AS TMP$BTB,
  CAST(0 AS INTEGER) AS TMP$BTC,
  CAST(0 AS INTEGER) AS TMP$CHARSET,
  CAST(0 AS INTEGER) AS TMP$CSB,
  CAST(0 AS INTEGER) AS TMP$CSCONVERT,
  CAST(0 AS INTEGER) AS TMP$DBB,
  CAST(0 AS INTEGER) AS TMP$DCC,
  CAST(0 AS INTEGER) AS TMP$DFW,
  CAST(0 AS INTEGER) AS TMP$DLS,
  CAST(0 AS INTEGER) AS TMP$EXT,
  CAST(0 AS INTEGER) AS TMP$FIL,
  CAST(0 AS INTEGER) AS TMP$FLD,
  CAST(0 AS INTEGER) AS TMP$FMT,
  CAST(0 AS INTEGER) AS TMP$FRB,
  CAST(0 AS INTEGER) AS TMP$FUN,
  CAST(0 AS INTEGER) AS TMP$HNK,
  CAST(0 AS INTEGER) AS TMP$IDB,
  CAST(0 AS INTEGER) AS TMP$IDL,
  CAST(0 AS INTEGER) AS TMP$IRB,
  CAST(0 AS INTEGER) AS TMP$IRL,
  CAST(0 AS INTEGER) AS TMP$LCK,
  CAST(0 AS INTEGER) AS TMP$LWT,
  CAST(0 AS INTEGER) AS TMP$MAP,
  CAST(0 AS INTEGER) AS TMP$MFB,
  CAST(0 AS INTEGER) AS TMP$NOD,
  CAST(0 AS INTEGER) AS TMP$OPT,
  CAST(0 AS INTEGER) AS TMP$PRC,
  CAST(0 AS INTEGER) AS TMP$PRE,
  CAST(0 AS INTEGER) AS TMP$PRM,
  CAST(0 AS INTEGER) AS TMP$REC,
  CAST(0 AS INTEGER) AS TMP$REL,
  CAST(0 AS INTEGER) AS TMP$REQ,
  CAST(0 AS INTEGER) AS TMP$RIV,
  CAST(0 AS INTEGER) AS TMP$RSB,
  CAST(0 AS INTEGER) AS TMP$RSC,
  CAST(0 AS INTEGER) AS TMP$SAV,
  CAST(0 AS INTEGER) AS TMP$SBM,
  CAST(0 AS INTEGER) AS TMP$SCL,
  CAST(0 AS INTEGER) AS TMP$SDW,
  CAST(0 AS INTEGER) AS TMP$SMB,
  CAST(0 AS INTEGER) AS TMP$SRPB,
  CAST(0 AS INTEGER) AS TMP$STR,
  CAST(0 AS INTEGER) AS TMP$SVC,
  CAST(0 AS INTEGER) AS TMP$SYM,
  CAST(0 AS INTEGER) AS TMP$TEXTTYPE,
  CAST(0 AS INTEGER) AS TMP$TFB,
  CAST(0 AS INTEGER) AS TMP$TPC,
  CAST(0 AS INTEGER) AS TMP$TRA,
  CAST(0 AS INTEGER) AS TMP$USR,
  CAST(0 AS INTEGER) AS TMP$VCL,
  CAST(0 AS INTEGER) AS TMP$VCT,
  CAST(0 AS INTEGER) AS TMP$VCX,
  CAST(0 AS INTEGER) AS TMP$XCP
FROM RDB$DATABASE
WHERE 1 = 0;

/* One row per object that Firebird reports memory for, plus the page cache; see the top. The
   memory of each attachment's statements and transactions is summed in one grouped pass and
   joined once (Firebird hashes an inner join; a correlated sum per attachment would read all
   of MON$MEMORY_USAGE again for every attachment). */
CREATE OR ALTER VIEW TMP$POOLS AS
SELECT
  CAST(P.POOL_ID AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(1 AS INTEGER) AS TMP$DATABASE_ID,
  CAST(P.POOL_TYPE AS CHAR(31)) AS TMP$TYPE,
  CAST(MAXVALUE(P.USED, 0) AS TYPE OF RDB$COUNTER) AS TMP$POOL_MEMORY,
  CAST(MAXVALUE(P.ALLOCATED - P.RAW_USED, 0) AS TYPE OF RDB$COUNTER) AS TMP$FREE_MEMORY,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$EXTEND_MEMORY,
  CAST(NULL AS SMALLINT) AS TMP$FREE_STACK_NODES,
  CAST(NULL AS SMALLINT) AS TMP$FREE_BITMAP_BUCKETS,
  CAST(NULL AS INTEGER) AS TMP$FREE_BITMAP_SEGMENTS
FROM (
  SELECT 0 AS POOL_ID, 'CCH' AS POOL_TYPE, D.MON$PAGE_BUFFERS * D.MON$PAGE_SIZE AS USED,
         0 AS RAW_USED, 0 AS ALLOCATED
  FROM MON$DATABASE D
  UNION ALL
  SELECT D.MON$STAT_ID, 'PRM', M.MON$MEMORY_USED - D.MON$PAGE_BUFFERS * D.MON$PAGE_SIZE - AM.USED,
         M.MON$MEMORY_USED, M.MON$MEMORY_ALLOCATED
  FROM MON$DATABASE D
    JOIN MON$MEMORY_USAGE M ON M.MON$STAT_ID = D.MON$STAT_ID AND M.MON$STAT_GROUP = 0
    CROSS JOIN (SELECT COALESCE(SUM(M2.MON$MEMORY_USED), 0) AS USED
                FROM MON$ATTACHMENTS A2 JOIN MON$MEMORY_USAGE M2 ON M2.MON$STAT_ID = A2.MON$STAT_ID
                                                       AND M2.MON$STAT_GROUP = 1) AM
  UNION ALL
  SELECT A.MON$STAT_ID, 'ATT', M.MON$MEMORY_USED - C.USED, M.MON$MEMORY_USED, M.MON$MEMORY_ALLOCATED
  FROM MON$ATTACHMENTS A
    JOIN MON$MEMORY_USAGE M ON M.MON$STAT_ID = A.MON$STAT_ID AND M.MON$STAT_GROUP = 1
    JOIN (SELECT X.ATTACHMENT_ID, SUM(X.USED) AS USED
          FROM (SELECT S.MON$ATTACHMENT_ID AS ATTACHMENT_ID, SM.MON$MEMORY_USED AS USED
                FROM MON$STATEMENTS S JOIN MON$MEMORY_USAGE SM
                  ON SM.MON$STAT_ID = S.MON$STAT_ID AND SM.MON$STAT_GROUP = 3
                UNION ALL
                SELECT T.MON$ATTACHMENT_ID, TM.MON$MEMORY_USED
                FROM MON$TRANSACTIONS T JOIN MON$MEMORY_USAGE TM
                  ON TM.MON$STAT_ID = T.MON$STAT_ID AND TM.MON$STAT_GROUP = 2
                UNION ALL
                SELECT A3.MON$ATTACHMENT_ID, 0 FROM MON$ATTACHMENTS A3) X
          GROUP BY X.ATTACHMENT_ID) C ON C.ATTACHMENT_ID = A.MON$ATTACHMENT_ID
  UNION ALL
  SELECT T.MON$STAT_ID, 'TRA', M.MON$MEMORY_USED, M.MON$MEMORY_USED, M.MON$MEMORY_ALLOCATED
  FROM MON$TRANSACTIONS T JOIN MON$MEMORY_USAGE M ON M.MON$STAT_ID = T.MON$STAT_ID AND M.MON$STAT_GROUP = 2
  UNION ALL
  SELECT S.MON$STAT_ID, 'REQ', M.MON$MEMORY_USED, M.MON$MEMORY_USED, M.MON$MEMORY_ALLOCATED
  FROM MON$STATEMENTS S JOIN MON$MEMORY_USAGE M ON M.MON$STAT_ID = S.MON$STAT_ID AND M.MON$STAT_GROUP = 3
) P;

/* The stored procedures on the call stacks, one row per procedure; see the top. */
CREATE OR ALTER VIEW TMP$PROCEDURES AS
SELECT
  CAST(PR.RDB$PROCEDURE_ID AS INTEGER) AS TMP$PROCEDURE_ID,
  CAST(1 AS INTEGER) AS TMP$DATABASE_ID,
  CAST(TMP$FIT_TEXT(CASE WHEN C.MON$PACKAGE_NAME IS NULL THEN TRIM(C.MON$OBJECT_NAME)
                         ELSE TRIM(C.MON$PACKAGE_NAME) || '.' || TRIM(C.MON$OBJECT_NAME) END, 67)
       AS CHAR(67)) AS TMP$PROCEDURE_NAME,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(SUM(MU.MON$MEMORY_USED) AS TYPE OF RDB$COUNTER) AS TMP$POOL_MEMORY,
  CAST(NULL AS SMALLINT) AS TMP$CLONE,
  CAST(MIN(C.MON$TIMESTAMP) AS TIMESTAMP) AS TMP$TIMESTAMP,
  CAST(MINVALUE(COUNT(DISTINCT C.MON$STATEMENT_ID), 32767) AS SMALLINT) AS TMP$USE_COUNT,
  CAST(NULL AS INTEGER) AS TMP$QUANTUM,
  CAST(MINVALUE(COUNT(*), 2147483647) AS INTEGER) AS TMP$INVOCATIONS,
  CAST(SUM(IO.MON$PAGE_READS) AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(SUM(IO.MON$PAGE_WRITES) AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(SUM(IO.MON$PAGE_FETCHES) AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(SUM(IO.MON$PAGE_MARKS) AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(SUM(RS.MON$RECORD_SEQ_READS + RS.MON$RECORD_IDX_READS) AS TYPE OF RDB$COUNTER)
    AS TMP$RECORD_SELECTS,
  CAST(SUM(RS.MON$RECORD_INSERTS) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(SUM(RS.MON$RECORD_UPDATES) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(SUM(RS.MON$RECORD_DELETES) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(SUM(RS.MON$RECORD_PURGES) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(SUM(RS.MON$RECORD_EXPUNGES) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(SUM(RS.MON$RECORD_BACKOUTS) AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM MON$CALL_STACK C
  JOIN MON$IO_STATS IO ON IO.MON$STAT_ID = C.MON$STAT_ID AND IO.MON$STAT_GROUP = 4
  JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = C.MON$STAT_ID AND RS.MON$STAT_GROUP = 4
  JOIN MON$MEMORY_USAGE MU ON MU.MON$STAT_ID = C.MON$STAT_ID AND MU.MON$STAT_GROUP = 4
  LEFT JOIN RDB$PROCEDURES PR
    ON PR.RDB$PROCEDURE_NAME = C.MON$OBJECT_NAME
   AND PR.RDB$PACKAGE_NAME IS NOT DISTINCT FROM C.MON$PACKAGE_NAME
WHERE C.MON$OBJECT_TYPE = 5
GROUP BY C.MON$PACKAGE_NAME, C.MON$OBJECT_NAME, PR.RDB$PROCEDURE_ID;

/* TMP$SQL: a plain-ASCII text (the usual case) is cut and cast directly; TMP$FIT_TEXT, which
   converts the text character by character where it must, only for the others. */
CREATE OR ALTER VIEW TMP$STATEMENTS AS
SELECT
  CAST(S.MON$STATEMENT_ID AS TYPE OF RDB$COUNTER) AS TMP$STATEMENT_ID,
  CAST(S.MON$ATTACHMENT_ID AS TYPE OF RDB$COUNTER) AS TMP$ATTACHMENT_ID,
  CAST(S.MON$TRANSACTION_ID AS TYPE OF RDB$COUNTER) AS TMP$TRANSACTION_ID,
  CAST(CASE WHEN OCTET_LENGTH(S.MON$SQL_TEXT) = CHAR_LENGTH(S.MON$SQL_TEXT)
            THEN CAST(SUBSTRING(S.MON$SQL_TEXT FROM 1 FOR 4094) AS VARCHAR(4094))
            ELSE TMP$FIT_TEXT(SUBSTRING(S.MON$SQL_TEXT FROM 1 FOR 4094), 4094) END AS VARCHAR(4094)) AS TMP$SQL,
  CAST(S.MON$STAT_ID AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(MU.MON$MEMORY_USED AS TYPE OF RDB$COUNTER) AS TMP$POOL_MEMORY,
  CAST(NULL AS SMALLINT) AS TMP$CLONE,
  CAST(S.MON$TIMESTAMP AS TIMESTAMP) AS TMP$TIMESTAMP,
  CAST(NULL AS INTEGER) AS TMP$QUANTUM,
  CAST(NULL AS INTEGER) AS TMP$INVOCATIONS,
  CAST(CASE S.MON$STATE WHEN 0 THEN 'IDLE' WHEN 1 THEN 'ACTIVE' WHEN 2 THEN 'STALLED'
       ELSE CAST(S.MON$STATE AS VARCHAR(6)) END AS CHAR(31)) AS TMP$STATE,
  CAST(NULL AS CHAR(31)) AS TMP$PRIORITY,
  CAST(IO.MON$PAGE_READS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(IO.MON$PAGE_WRITES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(IO.MON$PAGE_FETCHES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(IO.MON$PAGE_MARKS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(RS.MON$RECORD_SEQ_READS + RS.MON$RECORD_IDX_READS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_SELECTS,
  CAST(RS.MON$RECORD_INSERTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(RS.MON$RECORD_UPDATES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(RS.MON$RECORD_DELETES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(RS.MON$RECORD_PURGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(RS.MON$RECORD_EXPUNGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(RS.MON$RECORD_BACKOUTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM MON$STATEMENTS S
  JOIN MON$IO_STATS IO ON IO.MON$STAT_ID = S.MON$STAT_ID AND IO.MON$STAT_GROUP = 3
  JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = S.MON$STAT_ID AND RS.MON$STAT_GROUP = 3
  JOIN MON$MEMORY_USAGE MU ON MU.MON$STAT_ID = S.MON$STAT_ID AND MU.MON$STAT_GROUP = 3;

/* The database-wide record counters of each table summed in one grouped pass (with a row of
   zeros for every relation, so that the join keeps them all), and the pointer pages counted
   the same way. */
CREATE OR ALTER VIEW TMP$RELATIONS AS
SELECT
  CAST(R.RDB$RELATION_ID AS SMALLINT) AS TMP$RELATION_ID,
  CAST(1 AS INTEGER) AS TMP$DATABASE_ID,
  CAST(CASE WHEN OCTET_LENGTH(TRIM(R.RDB$RELATION_NAME)) = CHAR_LENGTH(TRIM(R.RDB$RELATION_NAME))
            THEN CAST(LEFT(TRIM(R.RDB$RELATION_NAME), 67) AS VARCHAR(67))
            ELSE TMP$FIT_TEXT(TRIM(R.RDB$RELATION_NAME), 67) END AS CHAR(67)) AS TMP$RELATION_NAME,
  CAST(NULL AS SMALLINT) AS TMP$USE_COUNT,
  CAST(NULL AS SMALLINT) AS TMP$SWEEP_COUNT,
  CAST(NULL AS INTEGER) AS TMP$SCAN_COUNT,
  CAST(R.RDB$FORMAT AS SMALLINT) AS TMP$FORMATS,
  CAST(PP.N AS INTEGER) AS TMP$POINTER_PAGES,
  CAST(NULL AS INTEGER) AS TMP$DATA_PAGES,
  CAST(NULL AS INTEGER) AS TMP$GARBAGE_COLLECT_PAGES,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(TS.IDX_READS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_IDX_SELECTS,
  CAST(TS.SEQ_READS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_SEQ_SELECTS,
  CAST(TS.INSERTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(TS.UPDATES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(TS.DELETES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(TS.PURGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(TS.EXPUNGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(TS.BACKOUTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM RDB$RELATIONS R
  JOIN (SELECT X.RELATION_NAME, SUM(X.IDX_READS) AS IDX_READS, SUM(X.SEQ_READS) AS SEQ_READS,
               SUM(X.INSERTS) AS INSERTS, SUM(X.UPDATES) AS UPDATES, SUM(X.DELETES) AS DELETES,
               SUM(X.PURGES) AS PURGES, SUM(X.EXPUNGES) AS EXPUNGES, SUM(X.BACKOUTS) AS BACKOUTS
        FROM (SELECT T.MON$TABLE_NAME AS RELATION_NAME, RS.MON$RECORD_IDX_READS AS IDX_READS,
                     RS.MON$RECORD_SEQ_READS AS SEQ_READS, RS.MON$RECORD_INSERTS AS INSERTS,
                     RS.MON$RECORD_UPDATES AS UPDATES, RS.MON$RECORD_DELETES AS DELETES,
                     RS.MON$RECORD_PURGES AS PURGES, RS.MON$RECORD_EXPUNGES AS EXPUNGES,
                     RS.MON$RECORD_BACKOUTS AS BACKOUTS
              FROM MON$TABLE_STATS T
                JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = T.MON$RECORD_STAT_ID AND RS.MON$STAT_GROUP = 0
              WHERE T.MON$STAT_GROUP = 0
              UNION ALL
              SELECT R2.RDB$RELATION_NAME, 0, 0, 0, 0, 0, 0, 0, 0 FROM RDB$RELATIONS R2) X
        GROUP BY X.RELATION_NAME) TS ON TS.RELATION_NAME = R.RDB$RELATION_NAME || ''
  JOIN (SELECT Y.RELATION_ID, SUM(Y.N) AS N
        FROM (SELECT PG.RDB$RELATION_ID AS RELATION_ID, 1 AS N FROM RDB$PAGES PG WHERE PG.RDB$PAGE_TYPE = 4
              UNION ALL
              SELECT R3.RDB$RELATION_ID, 0 FROM RDB$RELATIONS R3) Y
        GROUP BY Y.RELATION_ID) PP ON PP.RELATION_ID = R.RDB$RELATION_ID + 0;

CREATE OR ALTER VIEW TMP$TRANSACTIONS AS
SELECT
  CAST(T.MON$TRANSACTION_ID AS TYPE OF RDB$COUNTER) AS TMP$TRANSACTION_ID,
  CAST(T.MON$ATTACHMENT_ID AS TYPE OF RDB$COUNTER) AS TMP$ATTACHMENT_ID,
  CAST(T.MON$STAT_ID AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(MU.MON$MEMORY_USED AS TYPE OF RDB$COUNTER) AS TMP$POOL_MEMORY,
  CAST(T.MON$TIMESTAMP AS TIMESTAMP) AS TMP$TIMESTAMP,
  CAST(T.MON$OLDEST_ACTIVE AS TYPE OF RDB$COUNTER) AS TMP$SNAPSHOT,
  CAST(NULL AS INTEGER) AS TMP$QUANTUM,
  CAST(NULL AS INTEGER) AS TMP$SAVEPOINTS,
  CAST(CASE WHEN T.MON$READ_ONLY = 1 THEN 'Y' ELSE 'N' END AS CHAR(1)) AS TMP$READONLY,
  CAST(CASE WHEN RS.MON$RECORD_INSERTS + RS.MON$RECORD_UPDATES + RS.MON$RECORD_DELETES > 0 THEN 'Y' ELSE 'N' END
       AS CHAR(1)) AS TMP$WRITE,
  CAST(CASE WHEN T.MON$LOCK_TIMEOUT = 0 THEN 'Y' ELSE 'N' END AS CHAR(1)) AS TMP$NOWAIT,
  CAST(NULL AS CHAR(1)) AS TMP$COMMIT_RETAINING,
  CAST(CASE T.MON$STATE WHEN 0 THEN 'IDLE' WHEN 1 THEN 'ACTIVE'
       ELSE CAST(T.MON$STATE AS VARCHAR(6)) END AS CHAR(31)) AS TMP$STATE,
  CAST(NULL AS CHAR(31)) AS TMP$PRIORITY,
  CAST(CASE T.MON$ISOLATION_MODE
         WHEN 0 THEN 'CONSISTENCY'
         WHEN 1 THEN 'CONCURRENCY'
         WHEN 2 THEN 'READ_COMMITTED_REC_VERSION'
         WHEN 3 THEN 'READ_COMMITTED_NO_REC_VERSION'
         WHEN 4 THEN 'READ_CONSISTENCY'
         ELSE CAST(T.MON$ISOLATION_MODE AS VARCHAR(6)) END AS CHAR(31)) AS TMP$TYPE,
  CAST(IO.MON$PAGE_READS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(IO.MON$PAGE_WRITES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(IO.MON$PAGE_FETCHES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(IO.MON$PAGE_MARKS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(RS.MON$RECORD_SEQ_READS + RS.MON$RECORD_IDX_READS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_SELECTS,
  CAST(RS.MON$RECORD_INSERTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(RS.MON$RECORD_UPDATES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(RS.MON$RECORD_DELETES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(RS.MON$RECORD_PURGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(RS.MON$RECORD_EXPUNGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(RS.MON$RECORD_BACKOUTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM MON$TRANSACTIONS T
  JOIN MON$IO_STATS IO ON IO.MON$STAT_ID = T.MON$STAT_ID AND IO.MON$STAT_GROUP = 2
  JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = T.MON$STAT_ID AND RS.MON$STAT_GROUP = 2
  JOIN MON$MEMORY_USAGE MU ON MU.MON$STAT_ID = T.MON$STAT_ID AND MU.MON$STAT_GROUP = 2;

/* The statements and transactions of each attachment counted in one grouped pass, which also
   carries each attachment's statistics and memory (its row of the pass), and joined once:
   MON$ATTACHMENTS then leads the join, so that its long texts are not buffered for hashing. */
CREATE OR ALTER VIEW TMP$ATTACHMENTS AS
SELECT
  CAST(A.MON$ATTACHMENT_ID AS TYPE OF RDB$COUNTER) AS TMP$ATTACHMENT_ID,
  CAST(1 AS INTEGER) AS TMP$DATABASE_ID,
  CAST(A.MON$STAT_ID AS TYPE OF RDB$COUNTER) AS TMP$POOL_ID,
  CAST(N.MEMORY_USED AS TYPE OF RDB$COUNTER) AS TMP$POOL_MEMORY,
  CAST(MINVALUE(N.STATEMENTS, 32767) AS SMALLINT) AS TMP$STATEMENTS,
  CAST(MINVALUE(N.TRANSACTIONS, 32767) AS SMALLINT) AS TMP$TRANSACTIONS,
  CAST(A.MON$TIMESTAMP AS TIMESTAMP) AS TMP$TIMESTAMP,
  CAST(NULL AS INTEGER) AS TMP$QUANTUM,
  CAST(CASE WHEN OCTET_LENGTH(TRIM(A.MON$USER)) = CHAR_LENGTH(TRIM(A.MON$USER))
            THEN CAST(LEFT(TRIM(A.MON$USER), 67) AS VARCHAR(67))
            ELSE TMP$FIT_TEXT(TRIM(A.MON$USER), 67) END AS CHAR(67)) AS TMP$USER,
  CAST(CASE WHEN OCTET_LENGTH(A.MON$REMOTE_ADDRESS) = CHAR_LENGTH(A.MON$REMOTE_ADDRESS)
            THEN CAST(LEFT(CASE WHEN POSITION('/' IN A.MON$REMOTE_ADDRESS) > 0
                                THEN LEFT(A.MON$REMOTE_ADDRESS, POSITION('/' IN A.MON$REMOTE_ADDRESS) - 1)
                                ELSE A.MON$REMOTE_ADDRESS END, 31) AS VARCHAR(31))
            ELSE TMP$FIT_TEXT(CASE WHEN POSITION('/' IN A.MON$REMOTE_ADDRESS) > 0
                                   THEN LEFT(A.MON$REMOTE_ADDRESS, POSITION('/' IN A.MON$REMOTE_ADDRESS) - 1)
                                   ELSE A.MON$REMOTE_ADDRESS END, 31) END AS CHAR(31)) AS TMP$USER_IP_ADDR,
  CAST(CASE WHEN OCTET_LENGTH(A.MON$REMOTE_HOST) = CHAR_LENGTH(A.MON$REMOTE_HOST)
            THEN CAST(LEFT(A.MON$REMOTE_HOST, 31) AS VARCHAR(31))
            ELSE TMP$FIT_TEXT(A.MON$REMOTE_HOST, 31) END AS CHAR(31)) AS TMP$USER_HOST,
  CAST(CASE WHEN A.MON$REMOTE_PROTOCOL IS NULL THEN A.MON$SERVER_PID ELSE A.MON$REMOTE_PID END AS INTEGER)
    AS TMP$USER_PROCESS,
  CAST(CASE A.MON$STATE WHEN 0 THEN 'IDLE' WHEN 1 THEN 'ACTIVE'
       ELSE CAST(A.MON$STATE AS VARCHAR(6)) END AS CHAR(31)) AS TMP$STATE,
  CAST(NULL AS CHAR(31)) AS TMP$PRIORITY,
  CAST(NULL AS INTEGER) AS TMP$DBKEY_ID,
  CAST(NULL AS SMALLINT) AS TMP$ACTIVE_SORTS,
  CAST(N.PAGE_READS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(N.PAGE_WRITES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(N.PAGE_FETCHES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(N.PAGE_MARKS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(N.RECORD_SELECTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_SELECTS,
  CAST(N.RECORD_INSERTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(N.RECORD_UPDATES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(N.RECORD_DELETES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(N.RECORD_PURGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(N.RECORD_EXPUNGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(N.RECORD_BACKOUTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM MON$ATTACHMENTS A
  JOIN (SELECT X.ATTACHMENT_ID, SUM(X.STATEMENTS) AS STATEMENTS, SUM(X.TRANSACTIONS) AS TRANSACTIONS,
               MAX(X.MEMORY_USED) AS MEMORY_USED, MAX(X.PAGE_READS) AS PAGE_READS,
               MAX(X.PAGE_WRITES) AS PAGE_WRITES, MAX(X.PAGE_FETCHES) AS PAGE_FETCHES,
               MAX(X.PAGE_MARKS) AS PAGE_MARKS, MAX(X.RECORD_SELECTS) AS RECORD_SELECTS,
               MAX(X.RECORD_INSERTS) AS RECORD_INSERTS, MAX(X.RECORD_UPDATES) AS RECORD_UPDATES,
               MAX(X.RECORD_DELETES) AS RECORD_DELETES, MAX(X.RECORD_PURGES) AS RECORD_PURGES,
               MAX(X.RECORD_EXPUNGES) AS RECORD_EXPUNGES, MAX(X.RECORD_BACKOUTS) AS RECORD_BACKOUTS
        FROM (SELECT A2.MON$ATTACHMENT_ID AS ATTACHMENT_ID, 0 AS STATEMENTS, 0 AS TRANSACTIONS,
                     MU.MON$MEMORY_USED AS MEMORY_USED, IO.MON$PAGE_READS AS PAGE_READS,
                     IO.MON$PAGE_WRITES AS PAGE_WRITES, IO.MON$PAGE_FETCHES AS PAGE_FETCHES,
                     IO.MON$PAGE_MARKS AS PAGE_MARKS,
                     RS.MON$RECORD_SEQ_READS + RS.MON$RECORD_IDX_READS AS RECORD_SELECTS,
                     RS.MON$RECORD_INSERTS AS RECORD_INSERTS, RS.MON$RECORD_UPDATES AS RECORD_UPDATES,
                     RS.MON$RECORD_DELETES AS RECORD_DELETES, RS.MON$RECORD_PURGES AS RECORD_PURGES,
                     RS.MON$RECORD_EXPUNGES AS RECORD_EXPUNGES, RS.MON$RECORD_BACKOUTS AS RECORD_BACKOUTS
              FROM MON$ATTACHMENTS A2
                JOIN MON$IO_STATS IO ON IO.MON$STAT_ID = A2.MON$STAT_ID AND IO.MON$STAT_GROUP = 1
                JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = A2.MON$STAT_ID AND RS.MON$STAT_GROUP = 1
                JOIN MON$MEMORY_USAGE MU ON MU.MON$STAT_ID = A2.MON$STAT_ID AND MU.MON$STAT_GROUP = 1
              UNION ALL
              SELECT S.MON$ATTACHMENT_ID, 1, 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                     NULL, NULL
              FROM MON$STATEMENTS S
              UNION ALL
              SELECT T.MON$ATTACHMENT_ID, 0, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                     NULL, NULL
              FROM MON$TRANSACTIONS T) X
        GROUP BY X.ATTACHMENT_ID) N ON N.ATTACHMENT_ID = A.MON$ATTACHMENT_ID
WHERE A.MON$SYSTEM_FLAG = 0;

/* The counts of attachments, transactions, statements and pools, the database's memory and its
   permanent pool (the PRM row of TMP$POOLS: the database's memory less the page cache and the
   attachments' memory) from one grouped pass over the objects joined to their memory (Firebird
   reports memory for every object it lists); the procedures counted as TMP$PROCEDURES groups
   them, without the statistics it sums. */
CREATE OR ALTER VIEW TMP$DATABASE AS
SELECT
  CAST(1 AS INTEGER) AS TMP$DATABASE_ID,
  CAST(TMP$FIT_TEXT(D.MON$DATABASE_NAME, 253) AS VARCHAR(253)) AS TMP$DATABASE_PATH,
  CAST(MINVALUE(N.ATTACHMENTS, 32767) AS SMALLINT) AS TMP$ATTACHMENTS,
  CAST(MINVALUE(N.STATEMENTS, 32767) AS SMALLINT) AS TMP$STATEMENTS,
  CAST(MINVALUE(D.MON$PAGES, 2147483647) AS INTEGER) AS TMP$ALLOCATED_PAGES,
  CAST(N.POOLS AS INTEGER) AS TMP$POOLS,
  CAST(MINVALUE((SELECT COUNT(*)
                 FROM (SELECT C.MON$PACKAGE_NAME AS PACKAGE_NAME FROM MON$CALL_STACK C
                       WHERE C.MON$OBJECT_TYPE = 5
                       GROUP BY C.MON$PACKAGE_NAME, C.MON$OBJECT_NAME) PR), 32767) AS SMALLINT)
    AS TMP$PROCEDURES,
  CAST(MINVALUE((SELECT COUNT(*) FROM RDB$RELATIONS), 32767) AS SMALLINT) AS TMP$RELATIONS,
  CAST(MINVALUE((SELECT COUNT(*) FROM RDB$TRIGGERS TR WHERE COALESCE(TR.RDB$TRIGGER_INACTIVE, 0) = 0), 32767)
       AS SMALLINT) AS TMP$TRIGGERS,
  CAST(MINVALUE(N.ACTIVE_STATEMENTS, 32767) AS SMALLINT) AS TMP$ACTIVE_THREADS,
  CAST(NULL AS TYPE OF RDB$COUNTER) AS TMP$SORT_MEMORY,
  CAST(N.USED AS TYPE OF RDB$COUNTER) AS TMP$CURRENT_MEMORY,
  CAST(N.MAX_USED AS TYPE OF RDB$COUNTER) AS TMP$MAXIMUM_MEMORY,
  CAST(MAXVALUE(N.USED - N.CACHE - N.ATTACHMENTS_USED, 0) AS TYPE OF RDB$COUNTER) AS TMP$PERMANENT_POOL_MEMORY,
  CAST(D.MON$PAGE_BUFFERS * D.MON$PAGE_SIZE AS TYPE OF RDB$COUNTER) AS TMP$CACHE_POOL_MEMORY,
  CAST(MINVALUE(N.TRANSACTIONS, 32767) AS SMALLINT) AS TMP$TRANSACTIONS,
  CAST(NULL AS INTEGER) AS TMP$TRANSACTION_COMMITS,
  CAST(NULL AS INTEGER) AS TMP$TRANSACTION_ROLLBACKS,
  CAST(NULL AS INTEGER) AS TMP$TRANSACTION_PREPARES,
  CAST(NULL AS INTEGER) AS TMP$TRANSACTION_DEADLOCKS,
  CAST(RS.MON$RECORD_CONFLICTS AS TYPE OF RDB$COUNTER) AS TMP$TRANSACTION_CONFLICTS,
  CAST(RS.MON$RECORD_WAITS AS TYPE OF RDB$COUNTER) AS TMP$TRANSACTION_WAITS,
  CAST(D.MON$NEXT_TRANSACTION AS TYPE OF RDB$COUNTER) AS TMP$NEXT_TRANSACTION,
  CAST(D.MON$OLDEST_TRANSACTION AS TYPE OF RDB$COUNTER) AS TMP$OLDEST_INTERESTING,
  CAST(D.MON$OLDEST_ACTIVE AS TYPE OF RDB$COUNTER) AS TMP$OLDEST_ACTIVE,
  CAST(D.MON$OLDEST_SNAPSHOT AS TYPE OF RDB$COUNTER) AS TMP$OLDEST_SNAPSHOT,
  CAST(D.MON$PAGE_BUFFERS AS INTEGER) AS TMP$CACHE_BUFFERS,
  CAST(NULL AS INTEGER) AS TMP$CACHE_PRECEDENCE,
  CAST(NULL AS INTEGER) AS TMP$CACHE_LATCH_WAITS,
  CAST(NULL AS INTEGER) AS TMP$CACHE_FREE_WAITS,
  CAST(NULL AS INTEGER) AS TMP$CACHE_FREE_WRITES,
  CAST(D.MON$SWEEP_INTERVAL AS INTEGER) AS TMP$SWEEP_INTERVAL,
  CAST(NULL AS CHAR(1)) AS TMP$SWEEP_ACTIVE,
  CAST(NULL AS CHAR(67)) AS TMP$SWEEP_RELATION,
  CAST(NULL AS INTEGER) AS TMP$SWEEP_RECORDS,
  CAST(IO.MON$PAGE_READS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_READS,
  CAST(IO.MON$PAGE_WRITES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_WRITES,
  CAST(IO.MON$PAGE_FETCHES AS TYPE OF RDB$COUNTER) AS TMP$PAGE_FETCHES,
  CAST(IO.MON$PAGE_MARKS AS TYPE OF RDB$COUNTER) AS TMP$PAGE_MARKS,
  CAST(RS.MON$RECORD_SEQ_READS + RS.MON$RECORD_IDX_READS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_SELECTS,
  CAST(RS.MON$RECORD_INSERTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_INSERTS,
  CAST(RS.MON$RECORD_UPDATES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_UPDATES,
  CAST(RS.MON$RECORD_DELETES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_DELETES,
  CAST(RS.MON$RECORD_PURGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_PURGES,
  CAST(RS.MON$RECORD_EXPUNGES AS TYPE OF RDB$COUNTER) AS TMP$RECORD_EXPUNGES,
  CAST(RS.MON$RECORD_BACKOUTS AS TYPE OF RDB$COUNTER) AS TMP$RECORD_BACKOUTS
FROM MON$DATABASE D
  JOIN MON$IO_STATS IO ON IO.MON$STAT_ID = D.MON$STAT_ID AND IO.MON$STAT_GROUP = 0
  JOIN MON$RECORD_STATS RS ON RS.MON$STAT_ID = D.MON$STAT_ID AND RS.MON$STAT_GROUP = 0
  CROSS JOIN (SELECT SUM(CASE WHEN O.KIND = 1 AND O.FLAG = 0 THEN 1 ELSE 0 END) AS ATTACHMENTS,
                     SUM(CASE WHEN O.KIND = 2 THEN 1 ELSE 0 END) AS TRANSACTIONS,
                     SUM(CASE WHEN O.KIND = 3 THEN 1 ELSE 0 END) AS STATEMENTS,
                     SUM(CASE WHEN O.KIND = 3 AND O.FLAG = 1 THEN 1 ELSE 0 END) AS ACTIVE_STATEMENTS,
                     COUNT(*) + 1 AS POOLS,
                     SUM(CASE WHEN O.KIND = 0 THEN M.MON$MEMORY_USED END) AS USED,
                     SUM(CASE WHEN O.KIND = 0 THEN M.MON$MAX_MEMORY_USED END) AS MAX_USED,
                     SUM(CASE WHEN O.KIND = 0 THEN O.CACHE END) AS CACHE,
                     SUM(CASE WHEN O.KIND = 1 THEN M.MON$MEMORY_USED ELSE 0 END) AS ATTACHMENTS_USED
              FROM (SELECT D2.MON$STAT_ID AS STAT_ID, 0 AS KIND, 0 AS FLAG,
                           D2.MON$PAGE_BUFFERS * D2.MON$PAGE_SIZE AS CACHE
                    FROM MON$DATABASE D2
                    UNION ALL
                    SELECT A.MON$STAT_ID, 1, A.MON$SYSTEM_FLAG, 0 FROM MON$ATTACHMENTS A
                    UNION ALL
                    SELECT T.MON$STAT_ID, 2, 0, 0 FROM MON$TRANSACTIONS T
                    UNION ALL
                    SELECT S.MON$STAT_ID, 3, S.MON$STATE, 0 FROM MON$STATEMENTS S) O
                JOIN MON$MEMORY_USAGE M ON M.MON$STAT_ID = O.STAT_ID) N;

SET TERM ^ ;

CREATE OR ALTER TRIGGER TMP$STATEMENTS_BU FOR TMP$STATEMENTS
ACTIVE BEFORE UPDATE POSITION 0
AS
BEGIN
  IF (NEW.TMP$STATE = 'CANCEL') THEN
  BEGIN
    IF (OLD.TMP$STATE = 'STALLED') THEN
      EXCEPTION TMP$CANNOT_CANCEL_STALLED;
    DELETE FROM MON$STATEMENTS WHERE MON$STATEMENT_ID = OLD.TMP$STATEMENT_ID AND MON$STATE = 1;
  END
  ELSE IF (NEW.TMP$STATE IS DISTINCT FROM OLD.TMP$STATE) THEN
    EXCEPTION TMP$STATE_NOT_SUPPORTED USING (TRIM(NEW.TMP$STATE));
END^

CREATE OR ALTER TRIGGER TMP$ATTACHMENTS_BU FOR TMP$ATTACHMENTS
ACTIVE BEFORE UPDATE POSITION 0
AS
BEGIN
  IF (NEW.TMP$STATE = 'CANCEL') THEN
    DELETE FROM MON$STATEMENTS
    WHERE MON$ATTACHMENT_ID = OLD.TMP$ATTACHMENT_ID AND MON$STATE = 1
      AND NOT (MON$ATTACHMENT_ID = CURRENT_CONNECTION AND MON$TRANSACTION_ID = CURRENT_TRANSACTION);
  ELSE IF (NEW.TMP$STATE = 'SHUTDOWN') THEN
    DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = OLD.TMP$ATTACHMENT_ID;
  ELSE IF (NEW.TMP$STATE IS DISTINCT FROM OLD.TMP$STATE) THEN
    EXCEPTION TMP$STATE_NOT_SUPPORTED USING (TRIM(NEW.TMP$STATE));
END^

CREATE OR ALTER TRIGGER TMP$TRANSACTIONS_BU FOR TMP$TRANSACTIONS
ACTIVE BEFORE UPDATE POSITION 0
AS
BEGIN
  IF (NEW.TMP$STATE = 'COMMIT' OR NEW.TMP$STATE = 'ROLLBACK') THEN
    EXCEPTION TMP$CANNOT_END_TRANSACTION;
  ELSE IF (NEW.TMP$STATE IS DISTINCT FROM OLD.TMP$STATE) THEN
    EXCEPTION TMP$STATE_NOT_SUPPORTED USING (TRIM(NEW.TMP$STATE));
END^

SET TERM ; ^

COMMENT ON EXCEPTION TMP$CANNOT_END_TRANSACTION IS 'Quillmere: raised by TMP$TRANSACTIONS for COMMIT and ROLLBACK.';
COMMENT ON EXCEPTION TMP$CANNOT_CANCEL_STALLED IS 'Quillmere: raised by TMP$STATEMENTS for CANCEL of a stalled statement.';
COMMENT ON EXCEPTION TMP$STATE_NOT_SUPPORTED IS 'Quillmere: raised for a TMP$STATE that the views cannot carry out.';
COMMENT ON FUNCTION TMP$FIT_TEXT IS 'Quillmere: a text cut to fit a column of the monitoring views.';
COMMENT ON VIEW TMP$POOL_BLOCKS IS 'Quillmere: memory blocks by kind; Firebird reports none.';
COMMENT ON VIEW TMP$POOLS IS 'Quillmere: memory pools from MON$MEMORY_USAGE, and the page cache.';
COMMENT ON VIEW TMP$PROCEDURES IS 'Quillmere: stored procedures on the call stacks (MON$CALL_STACK).';
COMMENT ON VIEW TMP$STATEMENTS IS 'Quillmere: statements from MON$STATEMENTS; TMP$STATE CANCEL cancels.';
COMMENT ON VIEW TMP$RELATIONS IS 'Quillmere: tables and views with their statistics (MON$TABLE_STATS).';
COMMENT ON VIEW TMP$TRANSACTIONS IS 'Quillmere: transactions from MON$TRANSACTIONS.';
COMMENT ON VIEW TMP$ATTACHMENTS IS 'Quillmere: attachments from MON$ATTACHMENTS; TMP$STATE CANCEL and SHUTDOWN act.';
COMMENT ON VIEW TMP$DATABASE IS 'Quillmere: the database from MON$DATABASE.';
COMMENT ON TRIGGER TMP$STATEMENTS_BU IS 'Quillmere: TMP$STATE CANCEL of a statement.';
COMMENT ON TRIGGER TMP$ATTACHMENTS_BU IS 'Quillmere: TMP$STATE CANCEL and SHUTDOWN of an attachment.';
COMMENT ON TRIGGER TMP$TRANSACTIONS_BU IS 'Quillmere: TMP$STATE COMMIT and ROLLBACK of a transaction.';

/* Every user reads the views, and writes the state of the three that act. */
GRANT EXECUTE ON FUNCTION TMP$FIT_TEXT TO PUBLIC;
GRANT SELECT ON TMP$DATABASE TO PUBLIC;
GRANT SELECT ON TMP$POOLS TO PUBLIC;
GRANT SELECT ON TMP$POOL_BLOCKS TO PUBLIC;
GRANT SELECT ON TMP$PROCEDURES TO PUBLIC;
GRANT SELECT ON TMP$RELATIONS TO PUBLIC;
GRANT SELECT, UPDATE ON TMP$STATEMENTS TO PUBLIC;
GRANT SELECT, UPDATE ON TMP$TRANSACTIONS TO PUBLIC;
GRANT SELECT, UPDATE ON TMP$ATTACHMENTS TO PUBLIC;
