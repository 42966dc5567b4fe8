#pragma once
// The InterBase client library, loaded at run time. Every entry point the program uses is
// resolved when the library is loaded, so a missing one is reported at once and by name.

#include "ib/CallWatchdog.h"

#include <ibase.h>

#include <QString>
#include <QStringList>

namespace ib {

// An entry point whose calls the call watchdog bounds.
template <class Pointer>
struct ServerCall;
template <class R, class... Args>
struct ServerCall<R (*)(Args...)> {
    using Pointer = R (*)(Args...);
    Pointer entry = nullptr;
    R operator()(Args... args) const
    {
        const CallWatchdog::Call running;
        return entry(args...);
    }
};

class ClientLibrary {
public:
    // Loads the first of the candidates that can be loaded. Throws Exception naming every
    // candidate tried (and the loader's reason) when none loads, or naming the missing entry point.
    explicit ClientLibrary(const QStringList& candidates);
    ~ClientLibrary();
    ClientLibrary(const ClientLibrary&) = delete;
    ClientLibrary& operator=(const ClientLibrary&) = delete;

    // The library every connection of the program uses, loaded on first use.
    static ClientLibrary& instance();
    static QStringList defaultCandidates();

    const QString& loadedName() const { return m_loadedName; }

    // The calls on an attachment, each marked for the call watchdog.
#define QM_IB_ENTRY(fn) ServerCall<decltype(&::fn)> fn;
    QM_IB_ENTRY(isc_detach_database)
    QM_IB_ENTRY(isc_database_info)
    QM_IB_ENTRY(isc_start_multiple)
    QM_IB_ENTRY(isc_commit_transaction)
    QM_IB_ENTRY(isc_commit_retaining)
    QM_IB_ENTRY(isc_rollback_transaction)
    QM_IB_ENTRY(isc_dsql_allocate_statement)
    QM_IB_ENTRY(isc_dsql_prepare)
    QM_IB_ENTRY(isc_dsql_describe)
    QM_IB_ENTRY(isc_dsql_describe_bind)
    QM_IB_ENTRY(isc_dsql_execute)
    QM_IB_ENTRY(isc_dsql_execute2)
    QM_IB_ENTRY(isc_dsql_execute_immediate)
    QM_IB_ENTRY(isc_dsql_fetch)
    QM_IB_ENTRY(isc_dsql_free_statement)
    QM_IB_ENTRY(isc_dsql_sql_info)
    QM_IB_ENTRY(isc_open_blob2)
    QM_IB_ENTRY(isc_get_segment)
    QM_IB_ENTRY(isc_close_blob)
#undef QM_IB_ENTRY
    // Not watched: the attach (its parameter block carries the connect timeout), the Services
    // calls (the cancel entry point does not take their handles), the local calls, and the cancel
    // entry point itself, which the watchdog's thread calls.
#define QM_IB_ENTRY(fn) decltype(&::fn) fn = nullptr;
    QM_IB_ENTRY(isc_attach_database)
    QM_IB_ENTRY(isc_service_attach)
    QM_IB_ENTRY(isc_service_detach)
    QM_IB_ENTRY(isc_service_start)
    QM_IB_ENTRY(isc_service_query)
    QM_IB_ENTRY(isc_sqlcode)
    QM_IB_ENTRY(fb_interpret)
    QM_IB_ENTRY(fb_cancel_operation)
#undef QM_IB_ENTRY

private:
    void* m_handle = nullptr;
    QString m_loadedName;
};

}  // namespace ib
