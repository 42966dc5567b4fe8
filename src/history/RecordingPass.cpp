#include "history/RecordingPass.h"

#include "ib/Database.h"
#include "monitor/QuillmereDM.h"

#include <map>

using catalogue::SnapshotId;

namespace history {

RecordingPass::RecordingPass(TdmQuillmere& dm, HistoryStore& store) : m_dm(dm), m_store(store), m_writer(store)
{
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
        auto snapshot = std::make_unique<Snapshot>(decl);
        snapshot->setObjectName(snapshot->objectName() + QStringLiteral("Recorded"));
        dm.BindSnapshot(*snapshot);
        m_snapshots.push_back(std::move(snapshot));
    }
}

RecordingPass::~RecordingPass() = default;

int64_t RecordingPass::run()
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const QDateTime taken = QDateTime::currentDateTimeUtc();
    std::map<int64_t, std::string> plans;
    {
        const TdmQuillmere::Tick tick(m_dm);
        // the statements first: read with their texts once, they serve the counts and pools too
        m_snapshots[static_cast<size_t>(SnapshotId::Statements)]->refresh();
        for (const auto& snapshot : m_snapshots)
            if (snapshot->decl().id != SnapshotId::Statements)
                snapshot->refresh();
        for (const int64_t id : m_writer.newlyRunning(snapshot(SnapshotId::Statements)))
            if (const QString plan = m_dm.StatementPlan(id); !plan.isEmpty())
                plans[id] = plan.toStdString();
    }
    // the pass's snapshot of the server is released by the pass, not by the display's next tick
    m_dm.EndMonitoringSnapshot();
    const auto read = Clock::now();
    m_readTime = std::chrono::duration_cast<std::chrono::microseconds>(read - start);
    if (!m_belongs) {
        const Snapshot& database = snapshot(SnapshotId::Database);
        const QString path = database.rowCount() > 0
                                 ? database.plainText(0, database.requireColumn(QStringLiteral("TMP$DATABASE_PATH")))
                                 : QString();
        m_store.belongTo(m_dm.Database() ? m_dm.Database()->databaseName() : QString(), path);
        m_belongs = true;
    }
    PassSnapshots snapshots{};
    for (size_t i = 0; i < m_snapshots.size(); ++i)
        snapshots[i] = m_snapshots[i].get();
    const int64_t moment = m_writer.write(snapshots, plans, taken);
    m_writeTime = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - read);
    return moment;
}

}  // namespace history
