#include "monitor/FirebirdAggregates.h"

#include <algorithm>
#include <map>
#include <utility>

namespace fbtables {

namespace {
// Memory as the server gives it; a difference that comes out below zero counts as none.
int64_t clampPool(int64_t v) { return std::max<int64_t>(v, 0); }
}  // namespace

std::vector<Pool> pools(Tables& base)
{
    const DatabaseRow& db = base.database();
    const Map<int64_t, Memory>& memory = base.memory();
    const std::vector<AttachmentRow>& attachments = base.attachments();
    const std::vector<StatementRow>& statements = base.statements(false);
    const std::vector<TransactionRow>& transactions = base.transactions();
    std::vector<Pool> out;
    const int64_t cache = db.buffers * db.pageSize;
    out.push_back({"CCH", clampPool(cache), 0});
    Map<int64_t, int64_t> children;  // attachment -> memory of its statements and transactions
    for (const StatementRow& s : statements)
        if (auto m = memory.find(s.statId); m != memory.end())
            children[s.attachmentId] += m->second.used;
    for (const TransactionRow& x : transactions)
        if (auto m = memory.find(x.statId); m != memory.end())
            children[x.attachmentId] += m->second.used;
    if (auto dbm = memory.find(db.statId); dbm != memory.end()) {
        int64_t attachmentsUsed = 0;
        for (const AttachmentRow& a : attachments)
            if (auto m = memory.find(a.statId); m != memory.end())
                attachmentsUsed += m->second.used;
        out.push_back({"PRM", clampPool(dbm->second.used - cache - attachmentsUsed),
                       clampPool(dbm->second.allocated - dbm->second.used)});
    }
    for (const AttachmentRow& a : attachments)
        if (auto m = memory.find(a.statId); m != memory.end()) {
            auto c = children.find(a.id);
            out.push_back({"ATT", clampPool(m->second.used - (c == children.end() ? 0 : c->second)),
                           clampPool(m->second.allocated - m->second.used)});
        }
    for (const TransactionRow& x : transactions)
        if (auto m = memory.find(x.statId); m != memory.end())
            out.push_back({"TRA", clampPool(m->second.used), clampPool(m->second.allocated - m->second.used)});
    for (const StatementRow& s : statements)
        if (auto m = memory.find(s.statId); m != memory.end())
            out.push_back({"REQ", clampPool(m->second.used), clampPool(m->second.allocated - m->second.used)});
    return out;
}

std::vector<Procedure> procedures(Tables& base)
{
    const std::vector<CallRow>& calls = base.calls();
    std::vector<Procedure> out;
    if (calls.empty())
        return out;
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupCall);
    std::map<std::pair<std::optional<std::string>, std::string>, size_t> index;
    for (const CallRow& c : calls) {
        auto [it, added] = index.try_emplace({c.package, c.name}, out.size());
        if (added) {
            Procedure p;
            p.package = c.package;
            p.name = c.name;
            p.id = c.procedureId;
            p.shownName = c.package ? *c.package + "." + c.name : c.name;
            out.push_back(std::move(p));
        }
        Procedure& p = out[it->second];
        if (!p.id)
            p.id = c.procedureId;
        ++p.calls;
        if (auto m = memory.find(c.statId); m != memory.end())
            p.memory += m->second.used;
        if (auto s = stats.find(c.statId); s != stats.end())
            p.counters += s->second;
        if (c.timestamp && (!p.firstCall || *c.timestamp < *p.firstCall))
            p.firstCall = c.timestamp;
        if (std::find(p.statementIds.begin(), p.statementIds.end(), c.statementId) == p.statementIds.end())
            p.statementIds.push_back(c.statementId);
    }
    return out;
}

}  // namespace fbtables
