#include "monitor/ControlStatements.h"

#include "connection/TransactionScope.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"

#include <exception>

bool ControlStatements::update(const QString& text)
{
    m_lastText = text;
    TransactionScope scope(m_transaction, &m_statement, TransactionScope::OnFailure::RollBack);
    ib::Statement& st = m_statement.prepare(m_transaction, ib::toClientText(text));
    st.execute(m_transaction.transaction());
    // The update has run: it is committed even when its count cannot be read, and then the
    // count's error is the one reported.
    int64_t count = 0;
    std::exception_ptr countError;
    try {
        count = st.recordCounts().updates;
    } catch (...) {
        countError = std::current_exception();
    }
    scope.commit();
    if (countError)
        std::rethrow_exception(countError);
    return count >= 1;
}

bool ControlStatements::inOneTransaction(const std::function<bool(const Step& run)>& steps)
{
    TransactionScope scope(m_transaction, &m_statement, TransactionScope::OnFailure::RollBack);
    const Step run = [this](const QString& text) -> std::optional<int64_t> {
        m_lastText = text;
        ib::Statement& st = m_statement.prepare(m_transaction, ib::toClientText(text));
        st.execute(m_transaction.transaction());
        std::optional<int64_t> result;
        if (st.isSelect()) {
            if (st.fetch() && !st.isNull(0))
                result = st.asInt64(0);
            st.closeCursor();
        } else {
            result = st.recordCounts().deletes;
        }
        st.free();
        return result;
    };
    const bool acted = steps(run);
    scope.commit();
    return acted;
}
