#include "ib/Statement.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Attachment.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"
#include "ib/Transaction.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace ib {

namespace {

constexpr int64_t kPowers10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
                                 10000000000LL, 100000000000LL, 1000000000000LL, 10000000000000LL,
                                 100000000000000LL, 1000000000000000LL, 10000000000000000LL,
                                 100000000000000000LL, 1000000000000000000LL};

int64_t power10(int n) { return (n >= 0 && n <= 18) ? kPowers10[n] : 1; }

XSQLDA* allocate(std::vector<char>& storage, int count)
{
    const int n = count < 1 ? 1 : count;
    storage.assign(XSQLDA_LENGTH(n) + alignof(std::max_align_t), 0);
    void* p = storage.data();
    size_t space = storage.size();
    p = std::align(alignof(std::max_align_t), XSQLDA_LENGTH(n), p, space);
    auto* da = static_cast<XSQLDA*>(p);
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(n);
    return da;
}

size_t bufferSize(const XSQLVAR& v)
{
    switch (v.sqltype & ~1) {
    case SQL_VARYING: return static_cast<size_t>(v.sqllen) + 2;
    default: return static_cast<size_t>(v.sqllen);
    }
}

std::string_view ident(const char* s, short len) { return std::string_view(s, static_cast<size_t>(len)); }

}  // namespace

Statement::~Statement() { free(); }

void Statement::checkPrepared() const
{
    if (!m_handle)
        throw Exception(msg::StatementNotPrepared);
}

void Statement::describe(XSQLDA*& da, std::vector<char>& storage, std::vector<char>& data, bool input)
{
    ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY status;
    if (da->sqld > da->sqln) {
        const int count = da->sqld;
        da = allocate(storage, count);
        if (input)
            lib.isc_dsql_describe_bind(status, &m_handle, static_cast<unsigned short>(m_dialect), da);
        else
            lib.isc_dsql_describe(status, &m_handle, static_cast<unsigned short>(m_dialect), da);
        checkStatus(status);
    }
    size_t total = 0;
    for (int i = 0; i < da->sqld; ++i) {
        total = (total + 7) & ~size_t(7);
        total += bufferSize(da->sqlvar[i]) + 8;
    }
    data.assign(total + 8, 0);
    size_t offset = 0;
    char* base = data.data();
    for (int i = 0; i < da->sqld; ++i) {
        XSQLVAR& v = da->sqlvar[i];
        offset = (offset + 7) & ~size_t(7);
        v.sqldata = base + offset;
        offset += bufferSize(v) + 8;
    }
}

void Statement::prepare(Attachment& attachment, Transaction& transaction, const std::string& sql, unsigned dialect)
{
    free();
    ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY status;
    m_db = attachment.handle();
    m_tr = transaction.handle();
    m_dialect = dialect;
    lib.isc_dsql_allocate_statement(status, m_db, &m_handle);
    checkStatus(status);

    m_out = allocate(m_outStorage, 16);
    lib.isc_dsql_prepare(status, m_tr, &m_handle, 0, sql.c_str(), static_cast<unsigned short>(dialect), m_out);
    if (failed(status)) {
        EIBError error = errorFromStatus(status);
        free();
        throw error;
    }
    try {
        describe(m_out, m_outStorage, m_outData, false);
        m_outInfo.clear();
        m_outInfo.reserve(static_cast<size_t>(m_out->sqld));
        for (int i = 0; i < m_out->sqld; ++i) {
            XSQLVAR& v = m_out->sqlvar[i];
            ColumnInfo info;
            info.name = ident(v.aliasname, v.aliasname_length);
            info.field = ident(v.sqlname, v.sqlname_length);
            info.relation = ident(v.relname, v.relname_length);
            info.type = static_cast<short>(v.sqltype & ~1);
            info.subType = v.sqlsubtype;
            info.scale = v.sqlscale;
            info.length = v.sqllen;
            info.nullable = (v.sqltype & 1) != 0;
            m_outInfo.push_back(std::move(info));
            // every output gets an indicator, so that a NULL is never mistaken for a value
            v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
        }
        // the indicators live after the data of each column
        for (int i = 0; i < m_out->sqld; ++i) {
            XSQLVAR& v = m_out->sqlvar[i];
            v.sqlind = reinterpret_cast<ISC_SHORT*>(v.sqldata + ((bufferSize(v) + 1) & ~size_t(1)));
        }

        m_in = allocate(m_inStorage, 4);
        lib.isc_dsql_describe_bind(status, &m_handle, static_cast<unsigned short>(dialect), m_in);
        checkStatus(status);
        describe(m_in, m_inStorage, m_inData, true);
        const size_t n = static_cast<size_t>(m_in->sqld);
        m_inVars.assign(n, nullptr);
        m_inText.assign(n, std::string());
        m_inInt.assign(n, 0);
        m_inInd.assign(n, -1);
        for (size_t i = 0; i < n; ++i) {
            m_inVars[i] = &m_in->sqlvar[i];
            m_inVars[i]->sqltype = static_cast<ISC_SHORT>(m_inVars[i]->sqltype | 1);
            m_inVars[i]->sqlind = &m_inInd[i];
        }

        const char items[] = {isc_info_sql_stmt_type};
        char reply[16] = {};
        lib.isc_dsql_sql_info(status, &m_handle, sizeof items, items, sizeof reply, reply);
        checkStatus(status);
        if (reply[0] == isc_info_sql_stmt_type) {
            const int len = static_cast<int>(readLittleEndian(reply + 1, 2));
            m_type = static_cast<int>(readLittleEndian(reply + 3, len));
        }
    } catch (...) {
        free();
        throw;
    }
}

bool Statement::isSelect() const { return m_type == isc_info_sql_stmt_select || m_type == isc_info_sql_stmt_select_for_upd; }

XSQLVAR& Statement::inVar(int index)
{
    if (index < 0 || index >= paramCount())
        throw Exception(QString::fromUtf8(msg::ParameterIndexOutOfRange).arg(index));
    return *m_inVars[static_cast<size_t>(index)];
}

void Statement::setNull(int index)
{
    inVar(index);
    m_inInd[static_cast<size_t>(index)] = -1;
}

void Statement::setInt64(int index, int64_t value)
{
    XSQLVAR& v = inVar(index);
    const auto i = static_cast<size_t>(index);
    m_inInt[i] = value;
    // the server converts the value to the parameter's own type
    v.sqltype = SQL_INT64 | 1;
    v.sqlscale = 0;
    v.sqllen = sizeof(int64_t);
    v.sqldata = reinterpret_cast<char*>(&m_inInt[i]);
    m_inInd[i] = 0;
}

void Statement::setText(int index, std::string_view value)
{
    XSQLVAR& v = inVar(index);
    const auto i = static_cast<size_t>(index);
    if (value.size() > 32765)
        throw Exception(QString::fromUtf8(msg::UnsupportedParameterType).arg(index));
    m_inText[i].assign(value);
    v.sqltype = SQL_TEXT | 1;
    v.sqlscale = 0;
    v.sqllen = static_cast<ISC_SHORT>(value.size());
    v.sqldata = m_inText[i].data();
    m_inInd[i] = 0;
}

void Statement::execute(Transaction& transaction)
{
    checkPrepared();
    closeCursor();
    ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY status;
    m_tr = transaction.handle();
    XSQLDA* in = m_in && m_in->sqld > 0 ? m_in : nullptr;
    if (m_type == isc_info_sql_stmt_exec_procedure && m_out->sqld > 0) {
        lib.isc_dsql_execute2(status, m_tr, &m_handle, static_cast<unsigned short>(m_dialect), in, m_out);
        checkStatus(status);
        m_singletonPending = true;
        return;
    }
    lib.isc_dsql_execute(status, m_tr, &m_handle, static_cast<unsigned short>(m_dialect), in);
    checkStatus(status);
    m_cursorOpen = isSelect();
}

bool Statement::fetch()
{
    checkPrepared();
    if (m_singletonPending) {
        m_singletonPending = false;
        return true;
    }
    if (!m_cursorOpen)
        return false;
    ISC_STATUS_ARRAY status;
    const ISC_STATUS rc = ClientLibrary::instance().isc_dsql_fetch(status, &m_handle, static_cast<unsigned short>(m_dialect), m_out);
    if (rc == 100) {
        closeCursor();
        return false;
    }
    if (failed(status)) {
        EIBError error = errorFromStatus(status);
        closeCursor();
        throw error;
    }
    return true;
}

void Statement::closeCursor() noexcept
{
    m_singletonPending = false;
    if (!m_cursorOpen || !m_handle)
        return;
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_dsql_free_statement(status, &m_handle, DSQL_close);
    m_cursorOpen = false;
}

void Statement::free() noexcept
{
    if (m_handle) {
        ISC_STATUS_ARRAY status;
        ClientLibrary::instance().isc_dsql_free_statement(status, &m_handle, DSQL_drop);
    }
    drop();
}

void Statement::drop() noexcept
{
    m_handle = 0;
    m_cursorOpen = false;
    m_singletonPending = false;
    m_type = 0;
    m_outInfo.clear();
    m_inVars.clear();
    if (m_out)
        m_out->sqld = 0;
    if (m_in)
        m_in->sqld = 0;
}

int Statement::columnIndex(std::string_view name) const
{
    for (size_t i = 0; i < m_outInfo.size(); ++i)
        if (m_outInfo[i].name == name)
            return static_cast<int>(i);
    return -1;
}

XSQLVAR& Statement::outVar(int index) const
{
    if (index < 0 || index >= columnCount())
        throw Exception(QString::fromUtf8(msg::ColumnIndexOutOfRange).arg(index));
    return m_out->sqlvar[index];
}

bool Statement::isNull(int index) const
{
    const XSQLVAR& v = outVar(index);
    return v.sqlind && *v.sqlind < 0;
}

int64_t Statement::asInt64(int index) const
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index))
        return 0;
    int64_t raw = 0;
    switch (v.sqltype & ~1) {
    case SQL_SHORT: { ISC_SHORT s; std::memcpy(&s, v.sqldata, sizeof s); raw = s; break; }
    case SQL_LONG: { ISC_LONG l; std::memcpy(&l, v.sqldata, sizeof l); raw = l; break; }
    case SQL_INT64: { ISC_INT64 q; std::memcpy(&q, v.sqldata, sizeof q); raw = q; break; }
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return std::llround(asDouble(index));
    case SQL_BOOLEAN: return *reinterpret_cast<const unsigned char*>(v.sqldata) != 0 ? 1 : 0;
    case SQL_TEXT:
    case SQL_VARYING: {
        const std::string text(trimRight(rawText(index)));
        return std::strtoll(text.c_str(), nullptr, 10);
    }
    default: return 0;
    }
    if (v.sqlscale < 0) {
        const int64_t p = power10(-v.sqlscale);
        const int64_t q = raw / p, r = raw % p;
        return q + (2 * (r < 0 ? -r : r) >= p ? (raw < 0 ? -1 : 1) : 0);
    }
    return raw * power10(v.sqlscale);
}

double Statement::asDouble(int index) const
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index))
        return 0;
    switch (v.sqltype & ~1) {
    case SQL_FLOAT: { float f; std::memcpy(&f, v.sqldata, sizeof f); return f; }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: { double d; std::memcpy(&d, v.sqldata, sizeof d); return d; }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        int64_t raw = 0;
        if ((v.sqltype & ~1) == SQL_SHORT) { ISC_SHORT s; std::memcpy(&s, v.sqldata, sizeof s); raw = s; }
        else if ((v.sqltype & ~1) == SQL_LONG) { ISC_LONG l; std::memcpy(&l, v.sqldata, sizeof l); raw = l; }
        else { ISC_INT64 q; std::memcpy(&q, v.sqldata, sizeof q); raw = q; }
        return v.sqlscale < 0 ? static_cast<double>(raw) / static_cast<double>(power10(-v.sqlscale))
                              : static_cast<double>(raw * power10(v.sqlscale));
    }
    case SQL_TEXT:
    case SQL_VARYING:
        try { return std::stod(std::string(rawText(index))); } catch (...) { return 0; }
    default: return 0;
    }
}

std::string_view Statement::rawText(int index) const
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index))
        return {};
    switch (v.sqltype & ~1) {
    case SQL_TEXT: return std::string_view(v.sqldata, static_cast<size_t>(v.sqllen));
    case SQL_VARYING: {
        unsigned short len;
        std::memcpy(&len, v.sqldata, sizeof len);
        if (len > v.sqllen)
            len = static_cast<unsigned short>(v.sqllen);
        return std::string_view(v.sqldata + 2, len);
    }
    default: return {};
    }
}

Timestamp Statement::asTimestamp(int index) const
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index))
        return {};
    switch (v.sqltype & ~1) {
    case SQL_TIMESTAMP: { ISC_TIMESTAMP ts; std::memcpy(&ts, v.sqldata, sizeof ts); return Timestamp::fromIsc(ts); }
    case SQL_TYPE_DATE: { ISC_DATE d; std::memcpy(&d, v.sqldata, sizeof d); return {d, 0}; }
    case SQL_TYPE_TIME: { ISC_TIME t; std::memcpy(&t, v.sqldata, sizeof t); return {0, t}; }
    default: return {};
    }
}

std::string Statement::asText(int index) const
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index))
        return {};
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
    case SQL_VARYING: return std::string(rawText(index));
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (v.sqlscale < 0)
            return QString::number(asDouble(index), 'f', -v.sqlscale).toStdString();
        return std::to_string(asInt64(index));
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return QString::number(asDouble(index), 'g', 15).toStdString();
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: {
        const Timestamp ts = asTimestamp(index);
        return (ts.toDate().toString(Qt::ISODate) + QLatin1Char('T') + ts.toTime().toString(Qt::ISODateWithMs)).toStdString();
    }
    case SQL_BOOLEAN: return *reinterpret_cast<const unsigned char*>(v.sqldata) ? "true" : "false";
    default: return {};
    }
}

std::string Statement::blobText(int index)
{
    const XSQLVAR& v = outVar(index);
    if (isNull(index) || (v.sqltype & ~1) != SQL_BLOB)
        return {};
    ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY status;
    isc_blob_handle blob = 0;
    ISC_QUAD id;
    std::memcpy(&id, v.sqldata, sizeof id);
    lib.isc_open_blob2(status, m_db, m_tr, &blob, &id, 0, nullptr);
    checkStatus(status);
    std::string out;
    char buffer[16384];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = lib.isc_get_segment(status, &blob, &got, sizeof buffer, buffer);
        if (rc == 0 || rc == isc_segment) {
            out.append(buffer, got);
            continue;
        }
        if (rc == isc_segstr_eof)
            break;
        EIBError error = errorFromStatus(status);
        ISC_STATUS_ARRAY ignored;
        lib.isc_close_blob(ignored, &blob);
        throw error;
    }
    lib.isc_close_blob(status, &blob);
    return out;
}

RecordCounts Statement::recordCounts()
{
    checkPrepared();
    const char items[] = {isc_info_sql_records, isc_info_end};
    char reply[64] = {};
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_dsql_sql_info(status, &m_handle, sizeof items, items, sizeof reply, reply);
    checkStatus(status);
    RecordCounts counts;
    if (reply[0] != isc_info_sql_records)
        throw Exception(msg::InfoReplyMalformed);
    const size_t total = readLittleEndian(reply + 1, 2);
    size_t pos = 3;
    const size_t end = std::min(sizeof reply, 3 + total);
    while (pos + 3 <= end && reply[pos] != isc_info_end) {
        const char item = reply[pos];
        const size_t len = readLittleEndian(reply + pos + 1, 2);
        if (pos + 3 + len > end || len > 8)
            throw Exception(msg::InfoReplyMalformed);
        const int64_t value = static_cast<int64_t>(readLittleEndian(reply + pos + 3, static_cast<int>(len)));
        switch (item) {
        case isc_info_req_select_count: counts.selects = value; break;
        case isc_info_req_insert_count: counts.inserts = value; break;
        case isc_info_req_update_count: counts.updates = value; break;
        case isc_info_req_delete_count: counts.deletes = value; break;
        default: break;
        }
        pos += 3 + len;
    }
    return counts;
}

}  // namespace ib
