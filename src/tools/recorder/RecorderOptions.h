#pragma once
// quillmere-recorder's command line.

#include "common/Exception.h"
#include "history/HistoryStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// A wrong command line: the message, then the usage hint, exit status 2.
class EUsage : public Exception {
public:
    using Exception::Exception;
};

struct RecorderOptions {
    bool help = false;
    bool version = false;
    QString database;
    QString user, password, role;  // from ISC_USER and ISC_PASSWORD when not given
    int intervalSeconds = 10;
    QString store;                 // the default store of the database when empty
    history::Retention retention;
    QString metricsHost;           // empty: no endpoint
    int metricsPort = 0;
    std::optional<int> durationSeconds;

    // The arguments after the program's name; the environment's credentials as given.
    static RecorderOptions parse(const QStringList& args, const QString& iscUser, const QString& iscPassword);
};
