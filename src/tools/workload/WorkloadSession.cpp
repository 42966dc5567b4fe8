#include "WorkloadSession.h"

#include "common/Exception.h"
#include "common/ParamList.h"
#include "ib/Statement.h"
#include "ib/Values.h"

ib::ParamBlock transactionBlock(Isolation isolation, bool readOnly, bool wait)
{
    ib::ParamBlock tpb;
    tpb.addByte(isc_tpb_version3);
    switch (isolation) {
    case Isolation::ReadCommitted: tpb.addByte(isc_tpb_read_committed).addByte(isc_tpb_rec_version); break;
    case Isolation::Snapshot: tpb.addByte(isc_tpb_concurrency); break;
    case Isolation::TableStability: tpb.addByte(isc_tpb_consistency); break;
    }
    tpb.addByte(wait ? isc_tpb_wait : isc_tpb_nowait);
    tpb.addByte(readOnly ? isc_tpb_read : isc_tpb_write);
    return tpb;
}

const char* isolationText(Isolation isolation)
{
    switch (isolation) {
    case Isolation::ReadCommitted: return "read committed";
    case Isolation::Snapshot: return "snapshot";
    case Isolation::TableStability: return "table stability";
    }
    return "";
}

WorkloadSession::WorkloadSession(const WorkloadConnection& connection)
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), connection.user);
    params.setParam(QStringLiteral("password"), connection.password);
    m_att.attach(ib::toClientText(connection.database), ib::databaseParamBlock(params));

    const std::vector<char> reply = m_att.info({isc_info_db_sql_dialect, isc_info_end});
    if (reply.size() < 4 || static_cast<unsigned char>(reply[0]) != isc_info_db_sql_dialect)
        throw Exception(QStringLiteral("the server did not tell the SQL dialect of %1").arg(connection.database));
    const int length = static_cast<int>(ib::readLittleEndian(reply.data() + 1, 2));
    if (length < 1 || length > 4 || reply.size() < 3 + static_cast<size_t>(length))
        throw Exception(QStringLiteral("the server did not tell the SQL dialect of %1").arg(connection.database));
    m_dialect = static_cast<unsigned>(ib::readLittleEndian(reply.data() + 3, length));

    ib::Transaction tr;
    tr.start(m_att, transactionBlock(Isolation::ReadCommitted, true, false));
    m_id = scalar(tr, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
    tr.commit();
}

void WorkloadSession::execute(ib::Transaction& tr, const std::string& sql)
{
    ib::Statement st;
    st.prepare(m_att, tr, sql, m_dialect);
    st.execute(tr);
    if (st.isSelect()) {
        while (st.fetch()) {
        }
        st.closeCursor();
    }
}

int64_t WorkloadSession::scalar(ib::Transaction& tr, const std::string& sql)
{
    ib::Statement st;
    st.prepare(m_att, tr, sql, m_dialect);
    st.execute(tr);
    int64_t value = 0;
    if (st.fetch() && st.columnCount() > 0 && !st.isNull(0))
        value = st.asInt64(0);
    if (st.isSelect())
        st.closeCursor();
    return value;
}
