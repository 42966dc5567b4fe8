// What a logging pass costs over the bare client library: a pass with all seven items over
// 1,000 attachments, 5,000 statements and 1,000 relations (and a few pools, procedures and
// transactions), next to the same statements run straight on the client library in the same run
// with the same transaction pattern (one transaction: the generator query, then one INSERT ...
// SELECT per item, then the commit). The two alternate, so that both see the log tables grow
// alike. Forced writes are switched off for the database: with them every page write waits for
// the disk, and both sides would measure mostly the disk. "--forced-writes" keeps them on.

#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "logging/IBPerformanceLogDM.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kAttachments = 1000;
constexpr int kStatements = 5000;
constexpr int kRelations = 1000;
constexpr int kTransactions = 1000;
constexpr int kProcedures = 100;
constexpr int kPools = 100;
constexpr int kRepetitions = 15;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void run(ib::Attachment& att, ib::Transaction& tr, ib::Statement& st, const std::string& sql,
         const std::vector<int64_t>& values)
{
    st.prepare(att, tr, sql);
    for (size_t i = 0; i < values.size(); ++i)
        st.setInt64(static_cast<int>(i), values[i]);
    st.execute(tr);
}

// Writes the database's pages without waiting for the disk (the setting stays in the header).
void setForcedWrites(const TestDatabase& db, bool on)
{
    ib::ParamBlock block;
    block.addByte(isc_dpb_version1).addString1(isc_dpb_user_name, "SYSDBA");
    block.addByte(isc_dpb_force_write).addByte(1).addByte(on ? 1 : 0);
    ib::Attachment att;
    att.attach(db.path().toStdString(), block);
    att.detach();
}

void fill(const TestDatabase& db)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(false));
    ib::Statement st;
    QRandomGenerator rng(11);
    run(att, tr, st, "INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$DATABASE_PATH, TMP$ATTACHMENTS, "
                     "TMP$SWEEP_ACTIVE, TMP$PAGE_READS) VALUES (1, '/data/bench.fdb', 1000, 'N', 12345)", {});
    for (int a = 1; a <= kAttachments; ++a)
        run(att, tr, st, "INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$DATABASE_ID, TMP$POOL_ID, "
                         "TMP$POOL_MEMORY, TMP$TIMESTAMP, TMP$USER, TMP$USER_HOST, TMP$STATE, TMP$PRIORITY, "
                         "TMP$PAGE_READS, TMP$RECORD_SELECTS) VALUES (?, 1, ?, ?, CURRENT_TIMESTAMP, 'USER', "
                         "'workstation', 'ACTIVE', 'NORMAL', ?, ?)",
            {a, a, rng.bounded(100000), rng.bounded(100000), rng.bounded(100000)});
    const std::string words = "SELECT CUSTOMER_ID, NAME, BALANCE FROM CUSTOMERS C JOIN ORDERS O ON O.CUSTOMER = "
                              "C.ID WHERE O.STATE = 'OPEN' ORDER BY O.CREATED DESC ";
    ib::Statement ins;
    ins.prepare(att, tr,
                "INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$TRANSACTION_ID, TMP$SQL, "
                "TMP$POOL_ID, TMP$POOL_MEMORY, TMP$CLONE, TMP$TIMESTAMP, TMP$QUANTUM, TMP$INVOCATIONS, TMP$STATE, "
                "TMP$PRIORITY, TMP$PAGE_READS, TMP$RECORD_SELECTS) VALUES (?, ?, ?, ?, ?, 20480, 0, "
                "CURRENT_TIMESTAMP, 100, 3, 'ACTIVE', 'NORMAL', ?, ?)");
    for (int s = 1; s <= kStatements; ++s) {
        std::string sql;
        const size_t length = 100 + rng.bounded(500);
        while (sql.size() < length)
            sql += words;
        sql.resize(length);
        ins.setInt64(0, s);
        ins.setInt64(1, 1 + s % kAttachments);
        ins.setInt64(2, 1 + s % kTransactions);
        ins.setText(3, sql);
        ins.setInt64(4, s);
        ins.setInt64(5, rng.bounded(100000));
        ins.setInt64(6, rng.bounded(100000));
        ins.execute(tr);
    }
    ins.free();
    for (int r = 1; r <= kRelations; ++r)
        run(att, tr, st, "INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$DATABASE_ID, TMP$RELATION_NAME, "
                         "TMP$USE_COUNT, TMP$DATA_PAGES, TMP$PAGE_READS, TMP$RECORD_SEQ_SELECTS) "
                         "VALUES (?, 1, 'TABLE_' || ?, 1, ?, ?, ?)",
            {r, r, rng.bounded(1000), rng.bounded(100000), rng.bounded(100000)});
    for (int t = 1; t <= kTransactions; ++t)
        run(att, tr, st, "INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID, TMP$TIMESTAMP, "
                         "TMP$READONLY, TMP$WRITE, TMP$STATE, TMP$PAGE_READS) "
                         "VALUES (?, ?, CURRENT_TIMESTAMP, 'N', 'Y', 'ACTIVE', ?)",
            {t, 1 + t % kAttachments, rng.bounded(100000)});
    for (int p = 1; p <= kProcedures; ++p)
        run(att, tr, st, "INSERT INTO TMP$PROCEDURES (TMP$PROCEDURE_ID, TMP$DATABASE_ID, TMP$PROCEDURE_NAME, "
                         "TMP$TIMESTAMP, TMP$INVOCATIONS) VALUES (?, 1, 'PROC_' || ?, CURRENT_TIMESTAMP, ?)",
            {p, p, rng.bounded(1000)});
    static const char* const types[] = {"'ATT'", "'CCH'", "'REQ'", "'TRA'", "'SRT'"};
    for (int p = 1; p <= kPools; ++p)
        run(att, tr, st, std::string("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$DATABASE_ID, TMP$TYPE, TMP$POOL_MEMORY, "
                                     "TMP$FREE_MEMORY, TMP$EXTEND_MEMORY) VALUES (?, 1, ") +
                             types[p % 5] + ", ?, ?, ?)",
            {p, rng.bounded(1000000), rng.bounded(100000), rng.bounded(1000)});
    st.free();
    tr.commit();
    att.detach();
}

// The statements of the module's last pass, as its trace files hold them, in the pass's order.
std::vector<QString> tracedStatements()
{
    std::vector<QString> out;
    for (const char* source : {"TMP$ATTACHMENTS", "TMP$DATABASE", "TMP$POOLS GROUP BY TMP$TYPE ", "TMP$PROCEDURES",
                               "TMP$RELATIONS", "TMP$STATEMENTS", "TMP$TRANSACTIONS"}) {
        QFile f(QString::fromLatin1(source) + QStringLiteral(".sql"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        out.push_back(QString::fromUtf8(f.readAll()).trimmed());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("logging_pass: %d attachments, %d statements, %d relations, %d transactions, %d procedures, "
                "%d pools; all seven items; %d passes each\n",
                kAttachments, kStatements, kRelations, kTransactions, kProcedures, kPools, kRepetitions);
    std::printf("forced writes %s\n", QCoreApplication::arguments().contains(QStringLiteral("--forced-writes"))
                                          ? "on"
                                          : "off (--forced-writes to keep them on)");
    const bool forcedWrites = QCoreApplication::arguments().contains(QStringLiteral("--forced-writes"));
    TestDatabase db;
    setForcedWrites(db, forcedWrites);
    fill(db);
    QTemporaryDir traceFolder;
    QDir::setCurrent(traceFolder.path());

    TdmServerProperties connection;
    connection.SetDatabaseName(db.path());
    connection.SetUserName(QStringLiteral("SYSDBA"));
    connection.SetConnected(true);
    TdmPerformanceLog log(&connection.IBDatabase);
    for (TLogItem item : AllLogItems)
        log.SetItemEnabled(item, true);
    QStringList missing, incorrect;
    log.VerifyTables(missing, incorrect);
    log.CreateTables(missing);
    log.CreateGenerator();
    log.LogSnapshot();  // warm-up, and the statements for the bare side

    const std::vector<QString> statements = tracedStatements();
    if (statements.size() != AllLogItems.size()) {
        std::fprintf(stderr, "the trace files of the first pass are missing\n");
        return 1;
    }
    static const QRegularExpression number(QStringLiteral("CURRENT_TIMESTAMP,-?\\d+, GEN_ID\\("));
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    ib::Statement st;
    auto barePass = [&] {
        tr.start(att, ib::readCommittedTpb(false));
        st.prepare(att, tr, "SELECT GEN_ID(PERFORMANCE_LOG_G, 1) FROM RDB$DATABASE ");
        st.execute(tr);
        st.fetch();
        const QString id = QString::number(st.asInt64(0));
        st.closeCursor();
        for (const QString& text : statements) {
            QString sql = text;
            sql.replace(number, QStringLiteral("CURRENT_TIMESTAMP,") + id + QStringLiteral(", GEN_ID("));
            st.prepare(att, tr, sql.toStdString());
            st.execute(tr);
        }
        st.free();
        tr.commit();
    };
    barePass();  // warm-up

    std::vector<double> module, bare;
    for (int i = 0; i < kRepetitions; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool moduleSide = (side == 0) == (i % 2 == 0);
            QElapsedTimer t;
            t.start();
            if (moduleSide)
                log.LogSnapshot();
            else
                barePass();
            (moduleSide ? module : bare).push_back(t.nsecsElapsed() / 1e6);
        }
    }
    att.detach();
    if (QCoreApplication::arguments().contains(QStringLiteral("--samples"))) {
        for (size_t i = 0; i < module.size(); ++i)
            std::printf("  pass %2zu: module %7.1f ms, bare %7.1f ms\n", i + 1, module[i], bare[i]);
    }

    const int rowsPerPass = 1 + kAttachments + kStatements + kRelations + kTransactions + kProcedures + 5;
    const double moduleMs = median(module), bareMs = median(bare);
    std::printf("rows per pass                   %8d\n", rowsPerPass);
    std::printf("bare statements (baseline)      median %8.1f ms\n", bareMs);
    std::printf("logging pass (LogSnapshot)      median %8.1f ms\n", moduleMs);
    std::printf("ratio pass / bare                      %8.2f   (target <= 1.1)\n", moduleMs / bareMs);
    return 0;
}
