// How much a snapshot costs over the bare client library: 10,000 statements (SQL texts of 1 to
// 4 KB) joined to 500 attachments. Measures, in one run and side by side, a bare fetch loop over
// the statements query, the snapshot's first open and its refresh, and the memory the snapshot
// holds per row next to the raw payload per row (and next to rows held as QVariants).

#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/MonitorSQL.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

constexpr int kStatements = 10000;
constexpr int kAttachments = 500;
constexpr int kRepetitions = 7;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

size_t heapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

void fill(const TestDatabase& db)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(false));
    ib::Statement ins;
    ins.prepare(att, tr,
                "INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER, TMP$USER_HOST, TMP$STATE, TMP$TIMESTAMP) "
                "VALUES (?, ?, 'workstation', 'ACTIVE', CURRENT_TIMESTAMP)");
    for (int a = 1; a <= kAttachments; ++a) {
        ins.setInt64(0, a);
        ins.setText(1, "USER" + std::to_string(a % 37));
        ins.execute(tr);
    }
    ins.prepare(att, tr,
                "INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$TRANSACTION_ID, TMP$SQL, "
                "TMP$POOL_ID, TMP$POOL_MEMORY, TMP$CLONE, TMP$TIMESTAMP, TMP$QUANTUM, TMP$INVOCATIONS, TMP$STATE, "
                "TMP$PRIORITY, TMP$RECORD_SELECTS, TMP$PAGE_READS) VALUES (?, ?, ?, ?, ?, 20480, 0, "
                "CURRENT_TIMESTAMP, 100, 3, 'ACTIVE', 'NORMAL', ?, ?)");
    QRandomGenerator rng(7);
    const std::string words = "SELECT CUSTOMER_ID, NAME, BALANCE FROM CUSTOMERS C JOIN ORDERS O ON O.CUSTOMER = C.ID "
                              "WHERE O.STATE = 'OPEN' AND C.REGION IN (1, 2, 3) ORDER BY O.CREATED DESC ";
    for (int s = 1; s <= kStatements; ++s) {
        const size_t length = 1024 + rng.bounded(3 * 1024 - 1);
        std::string sql;
        while (sql.size() < length)
            sql += words;
        sql.resize(length);
        ins.setInt64(0, s);
        ins.setInt64(1, 1 + s % kAttachments);
        ins.setInt64(2, 1000 + s);
        ins.setText(3, sql);
        ins.setInt64(4, s);
        ins.setInt64(5, rng.bounded(100000));
        ins.setInt64(6, rng.bounded(100000));
        ins.execute(tr);
    }
    ins.free();
    tr.commit();
    att.detach();
}

QString statementsText()
{
    QString text;
    for (const char* line : monitorsql::Statements)
        text += QString::fromLatin1(line) + QLatin1Char('\n');
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("snapshot_fetch: %d statements, %d attachments, %d repetitions each\n", kStatements, kAttachments,
                kRepetitions);
    TestDatabase db;
    fill(db);

    // The floor: the statements query straight on the client library, every row fetched.
    std::vector<double> bare;
    {
        ib::Attachment att;
        db.attach(att);
        ib::Transaction tr;
        tr.start(att, ib::readCommittedTpb(true));
        ib::Statement st;
        st.prepare(att, tr, statementsText().toStdString());
        tr.commit();
        for (int i = 0; i < kRepetitions; ++i) {
            QElapsedTimer t;
            t.start();
            tr.start(att, ib::readCommittedTpb(true));
            st.execute(tr);
            int rows = 0;
            while (st.fetch())
                ++rows;
            tr.commit();
            bare.push_back(t.nsecsElapsed() / 1e6);
            if (rows != kStatements) {
                std::fprintf(stderr, "bare loop fetched %d rows\n", rows);
                return 1;
            }
        }
        st.free();
        att.detach();
    }

    TdmServerProperties connection;
    connection.SetDatabaseName(db.path());
    connection.SetUserName(QStringLiteral("SYSDBA"));
    TdmQuillmere dm;
    dm.SetDatabase(&connection.IBDatabase);
    connection.SetConnected(true);

    std::vector<double> opens, refreshes;
    size_t heapForSnapshot = 0;
    for (int i = 0; i < kRepetitions; ++i) {
        dm.cdsStatements.close();
        const size_t before = heapInUse();
        QElapsedTimer t;
        t.start();
        dm.cdsStatements.open();
        opens.push_back(t.nsecsElapsed() / 1e6);
        heapForSnapshot = heapInUse() - before;
    }
    for (int i = 0; i < kRepetitions; ++i) {
        QElapsedTimer t;
        t.start();
        dm.cdsStatements.refresh();
        refreshes.push_back(t.nsecsElapsed() / 1e6);
    }
    const Snapshot& s = dm.cdsStatements;
    if (s.rowCount() != kStatements) {
        std::fprintf(stderr, "the snapshot holds %d rows\n", s.rowCount());
        return 1;
    }

    // Raw payload: each value at its own size (text as sent, CHAR with its padding).
    size_t payload = 0;
    for (int r = 0; r < s.rowCount(); ++r)
        for (int c = 0; c < s.columnCount(); ++c) {
            if (s.isNull(r, c))
                continue;
            switch (s.columnDecl(c).type) {
            case catalogue::ColumnType::Int16: payload += 2; break;
            case catalogue::ColumnType::Int32: payload += 4; break;
            case catalogue::ColumnType::Int64:
            case catalogue::ColumnType::Double:
            case catalogue::ColumnType::Timestamp: payload += 8; break;
            case catalogue::ColumnType::Char:
            case catalogue::ColumnType::Varchar: payload += s.rawText(r, c).size(); break;
            }
        }

    // For comparison: the same rows held as QVariants with QString texts.
    size_t heapForVariants = 0;
    {
        const size_t before = heapInUse();
        std::vector<std::vector<QVariant>> rows(static_cast<size_t>(s.rowCount()));
        for (int r = 0; r < s.rowCount(); ++r) {
            rows[r].reserve(static_cast<size_t>(s.columnCount()));
            for (int c = 0; c < s.columnCount(); ++c)
                rows[r].push_back(s.value(r, c));
        }
        heapForVariants = heapInUse() - before;
    }

    const double bareMs = median(bare), openMs = median(opens), refreshMs = median(refreshes);
    const double perRowPayload = double(payload) / s.rowCount();
    std::printf("bare fetch loop (floor)   median %8.1f ms\n", bareMs);
    std::printf("snapshot first open       median %8.1f ms\n", openMs);
    std::printf("snapshot refresh          median %8.1f ms\n", refreshMs);
    std::printf("ratio refresh / bare loop        %8.2f   (target <= 1.25)\n", refreshMs / bareMs);
    std::printf("raw payload per row              %8.0f bytes\n", perRowPayload);
    std::printf("snapshot memory per row          %8.0f bytes (heap), %.0f bytes (its own count)\n",
                double(heapForSnapshot) / s.rowCount(), double(s.memoryBytes()) / s.rowCount());
    std::printf("ratio snapshot / payload         %8.2f   (target <= 1.5)\n", double(heapForSnapshot) / payload);
    std::printf("rows as QVariant/QString per row %8.0f bytes, ratio %.2f\n", double(heapForVariants) / s.rowCount(),
                double(heapForVariants) / payload);
    return 0;
}
