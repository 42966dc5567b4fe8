#include "monitor/QuillmereDM.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Transaction.h"
#include "monitor/DisplayTexts.h"
#include "monitor/MonitorSQL.h"

#include <QElapsedTimer>

using catalogue::DisplayRule;
using catalogue::SnapshotId;
using catalogue::snapshotDecl;

namespace {
// Adds the time from its making to its end to a total.
class TimeAdder {
public:
    explicit TimeAdder(std::chrono::nanoseconds& total) : m_total(total) { m_timer.start(); }
    ~TimeAdder() { m_total += std::chrono::nanoseconds(m_timer.nsecsElapsed()); }
    TimeAdder(const TimeAdder&) = delete;
    TimeAdder& operator=(const TimeAdder&) = delete;

private:
    std::chrono::nanoseconds& m_total;
    QElapsedTimer m_timer;
};
}  // namespace

TdmQuillmere::TdmQuillmere(QObject* owner)
    : TdmIBConnection(owner),
      IBTransaction(ib::readCommittedTpb(true)),
      cdsDatabase(snapshotDecl(SnapshotId::Database), this),
      cdsPools(snapshotDecl(SnapshotId::Pools), this),
      cdsPoolBlocks(snapshotDecl(SnapshotId::PoolBlocks), this),
      cdsProcedures(snapshotDecl(SnapshotId::Procedures), this),
      cdsStatements(snapshotDecl(SnapshotId::Statements), this),
      cdsRelations(snapshotDecl(SnapshotId::Relations), this),
      cdsTransactions(snapshotDecl(SnapshotId::Transactions), this),
      cdsAttachments(snapshotDecl(SnapshotId::Attachments), this),
      IBTransactionReadWrite(ib::readCommittedTpb(false)),
      m_timestampCutoff(QDate(1975, 1, 1), QTime(0, 0), Qt::UTC),  // as the server's times are held
      m_control(IBTransactionReadWrite, sqlOperation),
      m_tables(IBTransaction, m_control,
               [this] { return Database() ? Database()->params().value(QStringLiteral("lc_ctype")) : QString(); }),
      m_firebird(IBTransaction, m_control)
{
    addComponent(&IBTransaction);
    for (MonitorQuery* query : m_tables.queries())
        addComponent([query](ib::Database* db) { query->setDatabase(db); });
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
        Snapshot& s = snapshot(decl.id);
        s.setFetcher([this](Snapshot& into, RowStore& rows) { fetch(into, rows); });
        bindTextRules(s);
    }
    for (ib::StatementComponent* statement : m_firebird.statements())
        addComponent(statement);
    addComponent(&IBTransactionReadWrite);
    addComponent(&sqlOperation);
    // the kind of server and the source are learnt once per connection
    addComponent([this](ib::Database* db) {
        if (m_watched)
            m_watched->removeUser(this);
        m_watched = db;
        if (db)
            db->addUser(this);
        forgetServer();
    });
}

TdmQuillmere::~TdmQuillmere()
{
    if (m_watched)
        m_watched->removeUser(this);
}

Snapshot& TdmQuillmere::snapshot(SnapshotId id)
{
    switch (id) {
    case SnapshotId::Database: return cdsDatabase;
    case SnapshotId::Pools: return cdsPools;
    case SnapshotId::PoolBlocks: return cdsPoolBlocks;
    case SnapshotId::Procedures: return cdsProcedures;
    case SnapshotId::Statements: return cdsStatements;
    case SnapshotId::Relations: return cdsRelations;
    case SnapshotId::Transactions: return cdsTransactions;
    case SnapshotId::Attachments: return cdsAttachments;
    }
    return cdsDatabase;
}

void TdmQuillmere::BindSnapshot(Snapshot& snapshot)
{
    snapshot.setFetcher([this](Snapshot& into, RowStore& rows) { fetch(into, rows); });
    bindTextRules(snapshot);
}

void TdmQuillmere::bindTextRules(Snapshot& snapshot)
{
    for (int c = 0; c < snapshot.columnCount(); ++c) {
        switch (snapshot.columnDecl(c).rule) {
        case DisplayRule::Plain: break;
        case DisplayRule::PoolType:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return cdsPoolsTMPTYPEGetText(s.value(row, col));
            });
            break;
        case DisplayRule::StartTime:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return TimestampGetText(s.value(row, col));
            });
            break;
        case DisplayRule::ElapsedTime:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return ElapsedTimeGetText(s, row, col);
            });
            break;
        }
    }
}

bool TdmQuillmere::snapshotPerTransaction()
{
    if (!m_serverKindKnown && connected()) {
        m_snapshotPerTransaction = !Database()->attachment().firebirdVersion().empty();
        m_serverKindKnown = true;
    }
    return m_snapshotPerTransaction;
}

void TdmQuillmere::forgetServer() noexcept
{
    m_serverKindKnown = false;
    m_chosen.reset();
    m_ownAttachmentsOnly.reset();
    for (MonitorSource* s : sources())
        s->forget();
}

TdmQuillmere::SourceKind TdmQuillmere::Source()
{
    if (m_sourceOverride)
        return *m_sourceOverride;
    if (m_chosen)
        return *m_chosen;
    if (!connected())
        return SourceKind::Tables;
    m_chosen = chooseSource();
    return *m_chosen;
}

MonitorSource& TdmQuillmere::source()
{
    if (Source() == SourceKind::Firebird)
        return m_firebird;
    return m_tables;
}

const MonitorSource* TdmQuillmere::knownSource() const
{
    const std::optional<SourceKind> known = m_sourceOverride ? m_sourceOverride : m_chosen;
    if (!known)
        return nullptr;
    return *known == SourceKind::Firebird ? static_cast<const MonitorSource*>(&m_firebird) : &m_tables;
}

bool TdmQuillmere::GivesPlans() const
{
    const MonitorSource* known = knownSource();
    return known && known->givesPlans();
}

std::optional<qint64> TdmQuillmere::TickOldestActive() const
{
    const MonitorSource* known = knownSource();
    return known ? known->tickOldestActive() : std::nullopt;
}

TdmQuillmere::SourceKind TdmQuillmere::chooseSource()
{
    if (!snapshotPerTransaction())
        return SourceKind::Tables;
    // Firebird: its own MON$ tables, unless the database has TMP$ relations other than Quillmere's
    // views (tables for tests or offline use, or someone else's views)
    if (!IBTransaction.isActive())
        IBTransaction.start();
    bool onlyOwnViews = true;
    ib::Statement st;
    st.prepare(Database()->attachment(), IBTransaction.transaction(), monitorsql::firebird::TmpRelations,
               Database()->sqlDialect());
    st.execute(IBTransaction.transaction());
    while (st.fetch()) {
        const bool view = st.asInt64(1) != 0;
        const std::string_view mark(monitorsql::firebird::OwnObjectMark);
        if (!view || st.isNull(2) || st.rawText(2).substr(0, mark.size()) != mark)
            onlyOwnViews = false;
    }
    st.closeCursor();
    return onlyOwnViews ? SourceKind::Firebird : SourceKind::Tables;
}

bool TdmQuillmere::readOwnAttachmentsOnly()
{
    ib::Attachment& attachment = Database()->attachment();
    std::string text = monitorsql::SeesEveryAttachment;
    if (attachment.firebirdMajorVersion() >= 4)
        text += monitorsql::SeesEveryAttachmentByPrivilege;
    text += monitorsql::SeesEveryAttachmentEnd;
    ib::Statement st;
    st.prepare(attachment, IBTransaction.transaction(), text, Database()->sqlDialect());
    st.execute(IBTransaction.transaction());
    const bool seesEvery = st.fetch() && st.asInt64(0) != 0;
    st.closeCursor();
    return !seesEvery;
}

void TdmQuillmere::endMonitoringSnapshot() noexcept
{
    for (MonitorSource* s : sources())
        s->beginTick();
    // a server that keeps one MON$ snapshot per transaction shows a new one in the next transaction
    if (IBTransaction.isActive() && m_serverKindKnown && m_snapshotPerTransaction)
        IBTransaction.transaction().endQuietly();
}

void TdmQuillmere::abandonRead() noexcept
{
    for (MonitorSource* s : sources())
        s->forget();
    IBTransaction.transaction().endQuietly();
}

TdmQuillmere::Tick::Tick(TdmQuillmere& dm) : m_dm(dm)
{
    if (m_dm.m_tickDepth++ == 0) {
        const TimeAdder timed(m_dm.m_readTime);
        m_dm.endMonitoringSnapshot();
    }
}

TdmQuillmere::Tick::~Tick() { --m_dm.m_tickDepth; }

void TdmQuillmere::fetch(Snapshot& snapshot, RowStore& rows)
{
    // a fetch outside a refresh is a tick of its own
    std::optional<Tick> ownTick;
    if (m_tickDepth == 0)
        ownTick.emplace(*this);
    const TimeAdder timed(m_readTime);
    try {
        MonitorSource& from = source();
        if (!IBTransaction.isActive())
            IBTransaction.start();
        if (!m_ownAttachmentsOnly)
            m_ownAttachmentsOnly = readOwnAttachmentsOnly();
        from.fill(snapshot, rows);
    } catch (...) {
        abandonRead();
        throw;
    }
    // Firebird: the transaction stays until the next tick begins, so that everything read until
    // then (the plan of the current statement, say) comes from the snapshot on the screen
    if (!snapshotPerTransaction())
        IBTransaction.commitRetaining();
}

QString TdmQuillmere::StatementPlan(qint64 statementId)
{
    if (!connected())
        return {};
    MonitorSource& from = source();
    if (!from.givesPlans())
        return {};
    const TimeAdder timed(m_readTime);
    if (!IBTransaction.isActive())
        IBTransaction.start();
    try {
        return from.statementPlan(statementId);
    } catch (...) {
        abandonRead();
        throw;
    }
}

void TdmQuillmere::SetShowSystemTables(bool show)
{
    if (show == m_showSystemTables)
        return;
    m_showSystemTables = show;
    for (MonitorSource* s : sources())
        s->setShowSystemTables(show);
}

QString TdmQuillmere::cdsPoolsTMPTYPEGetText(const QVariant& value) const
{
    return PoolTypeName(value.isNull() ? QString() : value.toString().trimmed());
}

QString TdmQuillmere::TimestampGetText(const QVariant& value) const
{
    if (value.isNull())
        return {};
    const QDateTime t = value.toDateTime();
    if (!t.isValid() || t <= m_timestampCutoff)
        return {};
    return standardDateTimeText(t);
}

QString TdmQuillmere::ElapsedTimeGetText(const Snapshot& snapshot, int row, int column) const
{
    if (snapshot.isNull(row, column))
        return {};
    const int start = snapshot.columnIndex(QStringLiteral("TMP$TIMESTAMP"));
    if (start < 0 || snapshot.isNull(row, start))
        return {};
    const QDateTime t = snapshot.value(row, start).toDateTime();
    if (!t.isValid() || t <= m_timestampCutoff)
        return {};
    return ElapsedTimeText(snapshot.doubleValue(row, column));
}
