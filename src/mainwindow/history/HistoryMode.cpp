#include "mainwindow/history/HistoryMode.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "history/HistoryStore.h"
#include "mainwindow/history/HistoryRangeView.h"
#include "mainwindow/history/HistoryRateCharts.h"
#include "mainwindow/history/TimelineStrip.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace {
std::vector<history::MomentInfo> momentsOf(const std::vector<history::TimelinePoint>& points)
{
    std::vector<history::MomentInfo> moments;
    moments.reserve(points.size());
    for (const history::TimelinePoint& p : points)
        moments.push_back({p.moment, p.taken});
    return moments;
}
}  // namespace

THistoryMode::THistoryMode(const Parts& parts) : m_parts(parts)
{
    m_strip = new TTimelineStrip(&parts.window);
    m_strip->setVisible(false);
    TTimelineLanes& lanes = m_strip->lanes();
    connect(&lanes, &TTimelineLanes::chosen, this, [this](int index) { showIndex(index); });
    connect(&lanes, &TTimelineLanes::marked, this, [this](int index) { m_strip->lanes().setMark(index); });
    connect(&lanes, &TTimelineLanes::step, this, [this](int delta) { showIndex(m_current + delta); });
    connect(&lanes, &TTimelineLanes::toEnd, this,
            [this](bool last) { showIndex(last ? static_cast<int>(m_moments.size()) - 1 : 0); });
    connect(m_strip, &TTimelineStrip::liveRequested, this, [this] { showLive(); });
    connect(m_strip, &TTimelineStrip::rangeRequested, this, [this] { showRangeView(); });
    connect(m_strip, &TTimelineStrip::chartsRequested, this, [this] { showRateCharts(); });
    m_parts.live.setEnabled(false);
}

THistoryMode::~THistoryMode()
{
    if (shown())
        fillFromMoment(false);
}

bool THistoryMode::readable() const
{
    return shown() || (m_parts.server.GetConnected() && !m_parts.server.GetConnectionLost());
}

std::optional<QDateTime> THistoryMode::readAt() const
{
    if (!shown() || m_current < 0)
        return std::nullopt;
    return m_moments[static_cast<size_t>(m_current)].taken;
}

std::optional<int64_t> THistoryMode::currentMoment() const
{
    if (!shown() || m_current < 0)
        return std::nullopt;
    return m_moments[static_cast<size_t>(m_current)].id;
}

QString THistoryMode::statementPlan(qint64 statementId)
{
    if (shown())
        return m_reader->statementPlan(*currentMoment(), statementId);
    // read in the monitoring transaction of the last refresh; nothing while the connection is gone
    if (!m_parts.server.GetConnected() || m_parts.server.GetConnectionLost())
        return QString();
    return m_parts.dm.StatementPlan(statementId);
}

void THistoryMode::fillFromMoment(bool on)
{
    // The module's snapshots: while a moment is shown, each read of one gives the moment's rows as
    // they were recorded (decoded in the character set of the recording connection).
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
        Snapshot& snapshot = m_parts.dm.snapshot(decl.id);
        if (!on) {
            m_parts.dm.BindSnapshot(snapshot);
            continue;
        }
        snapshot.setFetcher([this](Snapshot& into, RowStore& rows) {
            const int64_t moment = *currentMoment();
            into.setTextDecoder(ib::TextDecoder(m_reader->charset(moment)));
            rows = m_reader->rows(moment, into.decl());
        });
    }
}

void THistoryMode::showStore(const QString& fileName, const QString& databaseName)
{
    if (databaseName.isEmpty())
        throw Exception(msg::HistoryNoDatabase);
    if (!QFileInfo::exists(fileName))
        throw Exception(QString::fromUtf8(msg::HistoryNothingRecorded).arg(databaseName));
    auto store = std::make_unique<history::HistoryStore>(fileName, history::HistoryStore::Mode::Read);
    auto reader = std::make_unique<history::HistoryReader>(*store);
    // the moments and the strip's points from one read, so that both are the same moments
    std::vector<history::TimelinePoint> points = reader->timeline();
    if (points.empty())
        throw Exception(QString::fromUtf8(msg::HistoryNothingRecorded).arg(databaseName));
    std::vector<history::MomentInfo> moments = momentsOf(points);
    if (shown())
        fillFromMoment(false);
    m_reader = std::move(reader);
    m_store = std::move(store);
    m_moments = std::move(moments);
    m_current = static_cast<int>(m_moments.size()) - 1;
    fillFromMoment(true);
    m_strip->lanes().setPoints(std::move(points));
    m_strip->setVisible(true);
    m_strip->lanes().setFocus();
    m_parts.history.setChecked(true);
    m_parts.live.setEnabled(true);
    showIndex(m_current);
}

void THistoryMode::showLogTables(const std::vector<logtables::LogTable>& tables, const QString& databaseName)
{
    if (tables.empty())
        throw Exception(QString::fromUtf8(msg::HistoryNoLogTables).arg(databaseName));
    auto folder = std::make_unique<QTemporaryDir>();
    const QString fileName = folder->filePath(QStringLiteral("log-tables.history"));
    int passes = 0;
    {
        history::HistoryStore store(fileName, history::HistoryStore::Mode::Write);
        store.claim(QStringLiteral("quillmere"));
        ib::Database& database = m_parts.server.IBDatabase;
        passes = logtables::readInto(database, database.params().value(QStringLiteral("lc_ctype")), tables, store);
    }
    if (passes == 0)
        throw Exception(QString::fromUtf8(msg::HistoryLogTablesEmpty).arg(databaseName));
    showStore(fileName, databaseName);
    m_logTablesFolder = std::move(folder);
}

void THistoryMode::showLive()
{
    if (shown())
        fillFromMoment(false);
    m_reader.reset();
    m_store.reset();
    m_logTablesFolder.reset();
    m_moments.clear();
    m_current = -1;
    m_strip->setVisible(false);
    m_parts.history.setChecked(false);
    m_parts.live.setEnabled(false);
    emit changed();
}

void THistoryMode::showIndex(int index)
{
    if (!shown() || m_moments.empty())
        return;
    m_current = std::clamp(index, 0, static_cast<int>(m_moments.size()) - 1);
    const QDateTime taken = m_moments[static_cast<size_t>(m_current)].taken.toLocalTime();
    m_strip->setCurrent(m_current, QLocale().toString(taken.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                       taken.toString(QStringLiteral("HH:mm:ss")));
    emit changed();
}

void THistoryMode::momentsAdded()
{
    if (!shown())
        return;
    const std::vector<history::TimelinePoint> points = m_reader->timeline(m_moments.back().id + 1);
    const std::vector<history::MomentInfo> added = momentsOf(points);
    m_moments.insert(m_moments.end(), added.begin(), added.end());
    m_strip->lanes().appendPoints(points);
}

void THistoryMode::showRangeView()
{
    if (!shown())
        return;
    const int from = m_strip->lanes().mark().value_or(0);
    const auto [first, last] = std::minmax(from, m_current);
    THistoryRangeView view(*m_reader, m_moments[static_cast<size_t>(first)], m_moments[static_cast<size_t>(last)],
                           &m_parts.window);
    view.exec();
}

void THistoryMode::showRateCharts()
{
    if (!shown())
        return;
    THistoryRateCharts charts(*m_reader, m_moments, &m_parts.window);
    charts.exec();
}
