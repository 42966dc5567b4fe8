// Whether the main window's memory stays flat over thousands of refresh ticks on a live Firebird
// server whose contents keep changing. A private server (scripts/fbserver, loopback) gets a
// database and a churn of its own: a ring of attachments, one of which detaches and attaches again
// on every tick and then keeps a statement with a text never seen before prepared and a transaction
// open, so that every tick brings new attachment, transaction and statement ids, new SQL texts and
// new plans, and drops as many. A connected main window (offscreen, its timer paused) then runs
// RefreshActivePage() tick after tick on the chosen tabs, repaints in between; every --every ticks
// it prints the resident set (VmRSS) and the heap in use (mallinfo2), next to the first sample's.
//
//   memory_soak [--ticks 3000] [--every 250] [--ring 8] [--tabs Statements,Transactions,...]

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/ParamList.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "mainwindow/MainForm.h"
#include "support/ConnectedWindow.h"
#include "support/LiveServer.h"
#include "support/TestServer.h"

#include <QAction>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <vector>

namespace {

struct Options {
    int ticks = 3000;
    int every = 250;
    int ring = 8;
    std::vector<PageId> pages = {PageId::Statements};
};

Options parseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("ticks"), QStringLiteral("Refresh ticks in all."), QStringLiteral("n"), QStringLiteral("3000")});
    parser.addOption({QStringLiteral("every"), QStringLiteral("Ticks between samples."), QStringLiteral("n"), QStringLiteral("250")});
    parser.addOption({QStringLiteral("ring"), QStringLiteral("Churning attachments."), QStringLiteral("n"), QStringLiteral("8")});
    parser.addOption({QStringLiteral("tabs"), QStringLiteral("Tabs refreshed in turn, one tick each."), QStringLiteral("list"),
                      QStringLiteral("Statements")});
    parser.process(arguments);
    Options o;
    o.ticks = parser.value(QStringLiteral("ticks")).toInt();
    o.every = std::max(1, parser.value(QStringLiteral("every")).toInt());
    o.ring = std::max(1, parser.value(QStringLiteral("ring")).toInt());
    const QList<QPair<QString, PageId>> names = {
        {QStringLiteral("Database"), PageId::Database},         {QStringLiteral("Memory"), PageId::Memory},
        {QStringLiteral("Procedures"), PageId::Procedures},     {QStringLiteral("Statements"), PageId::Statements},
        {QStringLiteral("Tables"), PageId::Relations},          {QStringLiteral("Transactions"), PageId::Transactions},
        {QStringLiteral("Users"), PageId::Users}};
    o.pages.clear();
    for (const QString& tab : parser.value(QStringLiteral("tabs")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        for (const auto& [name, id] : names)
            if (name.compare(tab.trimmed(), Qt::CaseInsensitive) == 0)
                o.pages.push_back(id);
    if (o.pages.empty())
        throw Exception(QStringLiteral("no known tab in --tabs"));
    return o;
}

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

long heapKiB() { return static_cast<long>(mallinfo2().uordblks / 1024); }

// One attachment of the ring: attached again on its turn, then holding a transaction and a
// prepared statement of a text of its own.
struct Churner {
    ib::Attachment attachment;
    ib::Transaction transaction;
    ib::Statement statement;

    void renew(const std::string& database, const ib::ParamBlock& dpb, int tick)
    {
        statement.free();
        if (transaction.isActive())
            transaction.rollback();
        if (attachment.isAttached())
            attachment.detach();
        attachment.attach(database, dpb);
        transaction.start(attachment, ib::ParamBlock().addByte(isc_tpb_version3).addByte(isc_tpb_read)
                                          .addByte(isc_tpb_read_committed).addByte(isc_tpb_rec_version));
        const std::string sql = "SELECT R.RDB$RELATION_ID + " + std::to_string(tick) +
                                " FROM RDB$RELATIONS R WHERE R.RDB$RELATION_NAME > 'T" + std::to_string(tick) + "'";
        statement.prepare(attachment, transaction, sql, 3);
        statement.execute(transaction);
        statement.fetch();  // the cursor stays open: the statement shows as active
    }
};

int run(const Options& o)
{
    std::printf("memory_soak: the main window's memory over %d refresh ticks, a new attachment, transaction and\n"
                "  statement text on every tick (a ring of %d churning attachments); VmRSS and mallinfo2 in use\n",
                o.ticks, o.ring);
    LiveServer server;
    server.start();
    ServerDatabase db(server.server());
    const std::string database = ib::toClientText(db.name());
    ParamList params;
    params.setParam(QStringLiteral("user_name"), TestServer::userName());
    params.setParam(QStringLiteral("password"), TestServer::password());
    const ib::ParamBlock dpb = ib::databaseParamBlock(params);

    std::vector<std::unique_ptr<Churner>> ring;
    for (int i = 0; i < o.ring; ++i) {
        ring.push_back(std::make_unique<Churner>());
        ring.back()->renew(database, dpb, i);
    }
    std::unique_ptr<TfrmMain> form = connectedWindow(db.name());
    std::printf("  %8s %10s %10s %10s %10s\n", "tick", "RSS KiB", "+RSS", "heap KiB", "+heap");
    long firstRss = 0, firstHeap = 0, midRss = 0, midHeap = 0;
    for (int tick = 0; tick <= o.ticks; ++tick) {
        ring[static_cast<size_t>(tick % o.ring)]->renew(database, dpb, o.ring + tick);
        const PageId page = o.pages[static_cast<size_t>(tick) % o.pages.size()];
        form->SelectPage(page);
        form->RefreshActivePage();
        QCoreApplication::processEvents();
        if (tick % o.every != 0)
            continue;
        const long rss = rssKiB(), heap = heapKiB();
        if (tick == 0) {
            firstRss = rss;
            firstHeap = heap;
        }
        if (tick == o.ticks / o.every / 2 * o.every) {
            midRss = rss;
            midHeap = heap;
        }
        std::printf("  %8d %10ld %+10ld %10ld %+10ld\n", tick, rss, rss - firstRss, heap, heap - firstHeap);
        std::fflush(stdout);
    }
    const long endRss = rssKiB(), endHeap = heapKiB();
    std::printf("  growth per 1000 ticks, first half : RSS %+.0f KiB, heap %+.0f KiB\n",
                1000.0 * (midRss - firstRss) / std::max(1, o.ticks / 2), 1000.0 * (midHeap - firstHeap) / std::max(1, o.ticks / 2));
    std::printf("  growth per 1000 ticks, second half: RSS %+.0f KiB, heap %+.0f KiB\n",
                1000.0 * (endRss - midRss) / std::max(1, o.ticks - o.ticks / 2),
                1000.0 * (endHeap - midHeap) / std::max(1, o.ticks - o.ticks / 2));
    form.reset();
    TfrmMain::setConnectDialogRunner({});
    ring.clear();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    LiveServer::blockStopSignals();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    QTemporaryDir work;
    setSettingsFileNameOverride(work.filePath(QStringLiteral("quillmere.ini")));
    QDir::setCurrent(work.path());
    try {
        return run(parseOptions(QCoreApplication::arguments()));
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "memory_soak: %s\n", LiveServer::stopSignal() ? "interrupted" : e.what());
        return 1;
    }
}
