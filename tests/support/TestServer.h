#pragma once
// The private Firebird server of the server tests, started by scripts/fbserver through a CTest
// fixture. Its folder comes from QUILLMERE_TEST_SERVER_DIR; the port is in DIR/port and the
// process id in DIR/pid; SYSDBA's password is $QUILLMERE_TEST_PASSWORD or "quillmere", as the
// script makes it.

#include <QString>
#include <QTemporaryDir>

#include <string>
#include <vector>

class TestServer {
public:
    TestServer();

    // False when the tests run without the fixture (no QUILLMERE_TEST_SERVER_DIR).
    bool configured() const { return !m_dir.isEmpty(); }
    const QString& folder() const { return m_dir; }
    int port() const;
    // "127.0.0.1/PORT", the server part of a database name.
    QString serverName() const;
    // The server's log file, which its "get log" service reads.
    QString logFile() const;
    qint64 pid() const;

    static QString userName() { return QStringLiteral("SYSDBA"); }
    static QString password();

    // SIGKILL to the server's own pid; returns when the process has gone.
    void kill() const;
    // scripts/fbserver start on the same folder; returns the port it printed.
    int start() const;

private:
    QString readFile(const QString& name) const;
    QString m_dir;
};

// A database created through the server, in a folder of its own under DIR/db.
class ServerDatabase {
public:
    explicit ServerDatabase(const TestServer& server);

    const QString& path() const { return m_path; }  // the path on the server
    // "127.0.0.1/PORT:/path", as the user enters it.
    QString name() const { return m_server.serverName() + QLatin1Char(':') + m_path; }
    // The monitoring views (schema/firebird-monitoring-views.sql), run over TCP as SYSDBA.
    void installViews() const;
    // Statements run over TCP as SYSDBA, in one transaction.
    void execute(const std::vector<std::string>& statements) const;

private:
    const TestServer& m_server;
    QTemporaryDir m_dir;
    QString m_path;
};
