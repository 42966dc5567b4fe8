#include "support/BareReader.h"

#include "common/ParamList.h"
#include "ib/ParamBlock.h"
#include "ib/Transaction.h"

namespace {
constexpr unsigned kDialect = 3;
}

BareReader::BareReader(const QString& database, const QString& user, const QString& password)
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), user);
    params.setParam(QStringLiteral("password"), password);
    m_att.attach(ib::toClientText(database), ib::databaseParamBlock(params));
}

BareReader::~BareReader()
{
    m_statements.clear();
    try {
        m_att.detach();
    } catch (const std::exception&) {
    }
}

ib::Statement& BareReader::prepared(ib::Transaction& tr, const char* text)
{
    std::unique_ptr<ib::Statement>& st = m_statements[text];
    if (!st) {
        st = std::make_unique<ib::Statement>();
        st->prepare(m_att, tr, text, kDialect);
    }
    return *st;
}

int64_t BareReader::read(const std::vector<Query>& queries)
{
    ib::Transaction tr;
    tr.start(m_att, ib::readCommittedTpb(true));
    int64_t rows = 0;
    int64_t last = 0;
    for (const Query& q : queries) {
        if (q.onlyAfterRows && last == 0)
            continue;
        ib::Statement& st = prepared(tr, q.text);
        int i = 0;
        for (const int64_t p : q.params)
            st.setInt64(i++, p);
        st.execute(tr);
        last = 0;
        while (st.fetch())
            ++last;
        st.closeCursor();
        rows += last;
    }
    tr.commit();
    return rows;
}

int64_t BareReader::readAlone(const char* text) { return read({{text, {}}}); }
