#include "support/TestServer.h"

#include "common/Exception.h"
#include "ib/Attachment.h"
#include "common/ParamList.h"
#include "ib/ParamBlock.h"
#include "ib/SqlScript.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>

TestServer::TestServer() : m_dir(qEnvironmentVariable("QUILLMERE_TEST_SERVER_DIR")) {}

QString TestServer::readFile(const QString& name) const
{
    QFile f(QDir(m_dir).filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("the test server's %1 cannot be read: %2").arg(f.fileName(), f.errorString()));
    return QString::fromUtf8(f.readAll()).trimmed();
}

int TestServer::port() const
{
    bool ok = false;
    const int port = readFile(QStringLiteral("port")).toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("the test server's port file in %1 holds no number").arg(m_dir));
    return port;
}

QString TestServer::serverName() const { return QStringLiteral("127.0.0.1/%1").arg(port()); }

QString TestServer::logFile() const { return QDir(m_dir).filePath(QStringLiteral("firebird.log")); }

qint64 TestServer::pid() const { return readFile(QStringLiteral("pid")).toLongLong(); }

QString TestServer::password()
{
    const QString password = qEnvironmentVariable("QUILLMERE_TEST_PASSWORD");
    return password.isEmpty() ? QStringLiteral("quillmere") : password;
}

namespace {
// True while a process exists (a zombie does not count: the script's parent may never reap it).
bool processLives(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = f.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && close + 2 < line.size() && line.at(close + 2) != 'Z' && line.at(close + 2) != 'X';
}

// True while anything listens on the TCP port of 127.0.0.1 (or of every address).
bool portListens(int port)
{
    QFile f(QStringLiteral("/proc/net/tcp"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString local = QStringLiteral(":%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // sl local_address rem_address st ...; state 0A is LISTEN
        if (fields.size() > 3 && fields[3] == "0A" && QString::fromLatin1(fields[1]).endsWith(local))
            return true;
    }
    return false;
}
}  // namespace

void TestServer::kill() const
{
    const qint64 id = pid();
    const int listening = port();
    if (id <= 0 || ::kill(static_cast<pid_t>(id), SIGKILL) != 0)
        throw Exception(QStringLiteral("the test server %1 cannot be killed").arg(id));
    // Gone once the process has ended and its threads have let go of the listening socket (a
    // process whose main thread is already a zombie may still accept connections for a moment).
    for (int i = 0; i < 3000; ++i) {
        if (!processLives(id) && !portListens(listening))
            return;
        QThread::msleep(10);
    }
    throw Exception(QStringLiteral("the test server %1 does not end after SIGKILL").arg(id));
}

int TestServer::start() const
{
    QProcess p;
    p.start(QStringLiteral(QUILLMERE_SOURCE_DIR "/scripts/fbserver"), {QStringLiteral("start"), m_dir});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw Exception(QStringLiteral("scripts/fbserver start %1 failed: %2").arg(m_dir, QString::fromLocal8Bit(p.readAllStandardError())));
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed().toInt();
}

ServerDatabase::ServerDatabase(const TestServer& server)
    : m_server(server), m_dir((QDir(server.folder()).mkpath(QStringLiteral("db")),
                              QDir(server.folder()).filePath(QStringLiteral("db/test-XXXXXX"))))
{
    if (!m_dir.isValid())
        throw Exception(QStringLiteral("cannot create a folder for a server database under %1").arg(server.folder()));
    m_path = m_dir.filePath(QStringLiteral("test.fdb"));
    ib::Attachment db;
    db.createDatabase(ib::toClientText(QStringLiteral("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 8192")
                                           .arg(name(), TestServer::userName(), QString(TestServer::password()).replace(QLatin1Char('\''), QStringLiteral("''")))),
                      3);
    db.detach();
}

void ServerDatabase::installViews() const
{
    QFile f(TestDatabase::schemaPath(QStringLiteral("firebird-monitoring-views.sql")));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(f.fileName()));
    execute(ib::splitSqlScript(f.readAll().toStdString()));
}

void ServerDatabase::execute(const std::vector<std::string>& statements) const
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), TestServer::userName());
    params.setParam(QStringLiteral("password"), TestServer::password());
    ib::Attachment att;
    att.attach(ib::toClientText(name()), ib::databaseParamBlock(params));
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(false));
    for (const std::string& sql : statements) {
        ib::Statement st;
        st.prepare(att, tr, sql, 3);
        st.execute(tr);
    }
    tr.commit();
    att.detach();
}
