#pragma once
// A dynamic SQL statement: prepare, bind input parameters, execute, fetch, free. The XSQLDA
// buffers of input and output belong to the object.

#include "ib/Values.h"

#include <ibase.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ib {

class Attachment;
class Transaction;

struct ColumnInfo {
    std::string name;      // alias name: the name a result column is bound by
    std::string field;     // source field name
    std::string relation;  // source relation
    short type = 0;        // SQL_* without the nullable bit
    short subType = 0;
    short scale = 0;
    short length = 0;      // bytes
    bool nullable = false;
};

struct RecordCounts {
    int64_t selects = 0, inserts = 0, updates = 0, deletes = 0;
};

class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void prepare(Attachment& attachment, Transaction& transaction, const std::string& sql, unsigned dialect = 1);
    bool isPrepared() const { return m_handle != 0; }
    // isc_info_sql_stmt_type of the prepared statement
    int statementType() const { return m_type; }
    bool isSelect() const;

    int paramCount() const { return static_cast<int>(m_inVars.size()); }
    void setNull(int index);
    void setInt64(int index, int64_t value);
    void setText(int index, std::string_view value);

    // Executes in the transaction; a select opens its cursor, fetch() then moves through the rows.
    void execute(Transaction& transaction);
    // The next row; false at the end of the result.
    bool fetch();
    void closeCursor() noexcept;
    // Frees the server's statement handle; the object may be prepared again.
    void free() noexcept;
    // The attachment has gone: forget the handle without asking the server.
    void drop() noexcept;

    int columnCount() const { return static_cast<int>(m_outInfo.size()); }
    const ColumnInfo& column(int index) const { return m_outInfo.at(static_cast<size_t>(index)); }
    int columnIndex(std::string_view name) const;  // -1 when absent

    bool isNull(int index) const;
    // Integral and floating values; scaled integers are divided by their scale (rounded for asInt64);
    // a BOOLEAN is 1 or 0.
    int64_t asInt64(int index) const;
    double asDouble(int index) const;
    // CHAR as stored with its padding, VARCHAR as stored; numbers and dates in a plain form.
    std::string asText(int index) const;
    // The bytes of a CHAR or VARCHAR value without copying (empty for other types).
    std::string_view rawText(int index) const;
    Timestamp asTimestamp(int index) const;
    // A BLOB column read whole (text BLOBs).
    std::string blobText(int index);

    RecordCounts recordCounts();

private:
    struct Var {
        size_t offset = 0;
        short ind = 0;
    };
    void describe(XSQLDA*& da, std::vector<char>& storage, std::vector<char>& data, bool input);
    XSQLVAR& outVar(int index) const;
    XSQLVAR& inVar(int index);
    void checkPrepared() const;

    isc_stmt_handle m_handle = 0;
    isc_db_handle* m_db = nullptr;
    isc_tr_handle* m_tr = nullptr;
    int m_type = 0;
    unsigned m_dialect = 1;
    bool m_cursorOpen = false;
    bool m_singletonPending = false;  // EXECUTE PROCEDURE: its one row is there after execute

    std::vector<char> m_outStorage, m_outData;
    XSQLDA* m_out = nullptr;
    std::vector<ColumnInfo> m_outInfo;

    std::vector<char> m_inStorage, m_inData;
    XSQLDA* m_in = nullptr;
    std::vector<XSQLVAR*> m_inVars;
    std::vector<std::string> m_inText;  // text parameter values
    std::vector<int64_t> m_inInt;
    std::vector<short> m_inInd;
};

}  // namespace ib
