#include "ib/ClientLibrary.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <dlfcn.h>

#include <type_traits>

namespace ib {

QStringList ClientLibrary::defaultCandidates()
{
#ifdef _WIN32
    return {QStringLiteral("fbclient.dll"), QStringLiteral("gds32.dll")};
#else
    return {QStringLiteral("libfbclient.so.2"), QStringLiteral("libfbclient.so"), QStringLiteral("libgds.so")};
#endif
}

ClientLibrary::ClientLibrary(const QStringList& candidates)
{
    QStringList tried;
    for (const QString& name : candidates) {
        m_handle = ::dlopen(name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle) {
            m_loadedName = name;
            break;
        }
        const char* why = ::dlerror();
        tried << (why ? QString::fromLocal8Bit(why) : name);
    }
    if (!m_handle)
        throw Exception(QString::fromUtf8(msg::ClientLibraryNotLoaded).arg(tried.join(QStringLiteral("; "))));

    auto resolve = [this](auto& fn, const char* symbol) {
        void* p = ::dlsym(m_handle, symbol);
        if (!p) {
            ::dlclose(m_handle);
            m_handle = nullptr;
            throw Exception(QString::fromUtf8(msg::ClientLibraryEntryMissing).arg(m_loadedName, QString::fromLatin1(symbol)));
        }
        using Entry = std::remove_reference_t<decltype(fn)>;
        if constexpr (std::is_pointer_v<Entry>)
            fn = reinterpret_cast<Entry>(p);
        else
            fn.entry = reinterpret_cast<typename Entry::Pointer>(p);
    };
#define QM_IB_RESOLVE(fn) resolve(fn, #fn);
    QM_IB_RESOLVE(isc_attach_database)
    QM_IB_RESOLVE(isc_detach_database)
    QM_IB_RESOLVE(isc_database_info)
    QM_IB_RESOLVE(isc_start_multiple)
    QM_IB_RESOLVE(isc_commit_transaction)
    QM_IB_RESOLVE(isc_commit_retaining)
    QM_IB_RESOLVE(isc_rollback_transaction)
    QM_IB_RESOLVE(isc_dsql_allocate_statement)
    QM_IB_RESOLVE(isc_dsql_prepare)
    QM_IB_RESOLVE(isc_dsql_describe)
    QM_IB_RESOLVE(isc_dsql_describe_bind)
    QM_IB_RESOLVE(isc_dsql_execute)
    QM_IB_RESOLVE(isc_dsql_execute2)
    QM_IB_RESOLVE(isc_dsql_execute_immediate)
    QM_IB_RESOLVE(isc_dsql_fetch)
    QM_IB_RESOLVE(isc_dsql_free_statement)
    QM_IB_RESOLVE(isc_dsql_sql_info)
    QM_IB_RESOLVE(isc_open_blob2)
    QM_IB_RESOLVE(isc_get_segment)
    QM_IB_RESOLVE(isc_close_blob)
    QM_IB_RESOLVE(isc_service_attach)
    QM_IB_RESOLVE(isc_service_detach)
    QM_IB_RESOLVE(isc_service_start)
    QM_IB_RESOLVE(isc_service_query)
    QM_IB_RESOLVE(isc_sqlcode)
    QM_IB_RESOLVE(fb_interpret)
    QM_IB_RESOLVE(fb_cancel_operation)
#undef QM_IB_RESOLVE
}

ClientLibrary::~ClientLibrary()
{
    // The library stays loaded for the rest of the process: the client library keeps threads and
    // handlers of its own that must not lose their code while the program ends.
}

ClientLibrary& ClientLibrary::instance()
{
    static ClientLibrary library(defaultCandidates());
    return library;
}

}  // namespace ib
