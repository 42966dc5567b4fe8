#pragma once
// The log module: which monitoring tables are logged, into which log tables, with which
// generator; the checks and the creation of the log tables and the generator; and the logging
// pass, which copies every enabled monitoring table into its log table on the server, all rows
// of a pass under one snapshot number and in one transaction.
//
// The components are bound to the connection given at creation; Database() of the base stays
// unset and SetDatabase is not used. Every database error goes on to the caller.

#include "connection/IBConnectionDM.h"
#include "common/ProgressInterfaces.h"
#include "ib/Database.h"
#include "monitor/MonitorQuery.h"
#include "monitor/Snapshot.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class TdmQuillmere;

enum TTableCheck { tcCorrect, tcIncorrectMetadata, tcMissing };

// The logged items, in the fixed order of verification, of creation and of a logging pass.
enum class TLogItem { Attachments, Database, Pools, Procedures, Relations, Statements, Transactions };
inline constexpr std::array<TLogItem, 7> AllLogItems = {TLogItem::Attachments, TLogItem::Database,
                                                        TLogItem::Pools,       TLogItem::Procedures,
                                                        TLogItem::Relations,   TLogItem::Statements,
                                                        TLogItem::Transactions};

class TdmPerformanceLog : public TdmIBConnection {
    Q_OBJECT
public:
    explicit TdmPerformanceLog(ib::Database* database, QObject* owner = nullptr);
    ~TdmPerformanceLog() override;

    // The item's monitoring table ("TMP$ATTACHMENTS") and default log table ("LOG$ATTACHMENTS").
    static QString MonitoringTableName(TLogItem item);
    static QString DefaultLogTableName(TLogItem item);
    static QString DefaultGeneratorName();

    // Per item. A different log table name clears TablesVerified; the same name changes nothing.
    bool ItemEnabled(TLogItem item) const { return m_items[index(item)].enabled; }
    void SetItemEnabled(TLogItem item, bool enabled) { m_items[index(item)].enabled = enabled; }
    const QString& ItemLogTableName(TLogItem item) const { return m_items[index(item)].logTableName; }
    void SetItemLogTableName(TLogItem item, const QString& name);

    // A different name clears GeneratorVerified; the same name changes nothing.
    const QString& GeneratorName() const { return m_generatorName; }
    void SetGeneratorName(const QString& name);
    // The Memory item logs one row per pool type instead of one per pool.
    bool PoolsSummarized() const { return m_poolsSummarized; }
    void SetPoolsSummarized(bool summarized) { m_poolsSummarized = summarized; }

    bool GeneratorVerified() const { return m_generatorVerified; }
    bool TablesVerified() const { return m_tablesVerified; }
    // The monitoring snapshots handed to the table check.
    TdmQuillmere* SnapshotModule() const { return m_snapshotModule; }
    void SetSnapshotModule(TdmQuillmere* module) { m_snapshotModule = module; }

    int EnabledTableCount() const;
    bool AnyTableEnabled() const { return EnabledTableCount() > 0; }
    bool ReadyToLog() const { return m_tablesVerified && m_generatorVerified && EnabledTableCount() > 0; }

    // One statement in trxManualRW of its own, committed also when the statement fails.
    void ExecuteStatement(const QString& text);
    // Sets GeneratorVerified to the result.
    bool GeneratorExists();
    // Leaves GeneratorVerified as it is.
    void CreateGenerator();
    // The name is compared exactly as held.
    bool TableExists(const QString& name);
    TTableCheck CheckTable(const Snapshot* snapshot, const QString& name);
    // Checks the enabled items' log tables in the fixed order; fills the two lists (emptied
    // first), reports (this, total, 0) and then (this, total, done) after each table. Sets
    // TablesVerified to whether both lists are empty, and returns it. An existing log table made
    // when its monitoring table's 64-bit numbers were narrower gets those columns widened (see
    // WidenLogTable).
    bool VerifyTables(QStringList& missing, QStringList& incorrect, const TProgressCallback& progress = {});
    // The CREATE TABLE text of a log table for a monitoring table, read from the system tables.
    QString LogTableDefinition(const QString& logTableName, const QString& monitoringTableName);
    void CreateLogTable(const QString& logTableName, const QString& monitoringTableName);
    // Widens the integer columns of the log table whose monitoring column is 64-bit (BIGINT) to
    // BIGINT, so that a pass past 2^31 does not overflow; the rows stay as they are. Nothing when
    // no column needs it. In the active trxManualRW.
    void WidenLogTable(const QString& logTableName, const QString& monitoringTableName);
    // Each name from the first item in the fixed order that has it as its log table name; names
    // of no item are skipped. Stops at the first failure; the tables created before it stay.
    void CreateTables(const QStringList& names);
    // DROP TABLE of each name, each in its own transaction, then CreateTables.
    void RecreateTables(const QStringList& names);

    // One logging pass; nothing at all (no transaction, no number) when no item is enabled.
    void LogSnapshot();
    // The next value of the generator, in the active trxManualRW. The query is prepared once and
    // runs again at every pass while the generator's name stays the same.
    int64_t NextSnapshotId();
    // Builds the item's statement, writes it to the trace file "<source>.sql" in the current
    // folder and executes it in the active trxManualRW. The statement is prepared once, with the
    // pass's number as its parameter, and runs again at every pass while its text stays the same.
    void InsertSnapshot(TLogItem item, const QString& columnPart, int64_t snapshotNumber,
                        const QString& logTableName, const QString& source);
    // Lets go of the pass's prepared statements (the number query and the INSERTs), which keep
    // their tables and the generator in use: before the log tables change, and when logging stops.
    void FreePassStatements() noexcept;

    ib::TransactionComponent trxManualRW;
    ib::StatementComponent sqlOperation;
    ib::TransactionComponent trxDataSnapRO;
    MonitorQuery qryRelationFields;
    Snapshot cdsRelationFields;

private:
    struct ItemState {
        bool enabled = false;
        QString logTableName;
    };
    static constexpr size_t index(TLogItem item) { return static_cast<size_t>(item); }
    // Whether an existing log table's columns suit its monitoring table: every table is accepted.
    bool TableMetadataCorrect(const Snapshot* snapshot) const;
    const Snapshot* snapshotOf(TLogItem item) const;
    // Starts trxManualRW, runs the work, frees the statement and commits, also after a failure
    // (whose error then goes on).
    template <typename Work>
    void inManualTransaction(Work work);
    void fetchRelationFields(Snapshot& snapshot, RowStore& rows);

    ib::Database* m_logDatabase;
    std::array<ItemState, 7> m_items;
    // A statement of the pass, prepared at its first pass, and the text it was prepared from.
    struct PreparedStatement {
        ib::StatementComponent statement;
        std::string text;
    };
    // The statement prepared from the text, or the one already prepared from it.
    static ib::Statement& prepared(PreparedStatement& held, ib::TransactionComponent& transaction,
                                   const std::string& text);
    PreparedStatement m_nextSnapshotId;
    std::array<PreparedStatement, 7> m_inserts;
    QString m_generatorName;
    bool m_poolsSummarized = true;
    bool m_generatorVerified = false;
    bool m_tablesVerified = false;
    TdmQuillmere* m_snapshotModule = nullptr;
};
