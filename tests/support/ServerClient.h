#pragma once
// A second client of the private test server in the test's own process: its own attachment, and a
// long statement that it runs in a thread of its own, for tests that watch, cancel or shut down
// other clients' work.

#include "common/Exception.h"
#include "common/ParamList.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/QuillmereDM.h"
#include "support/TestServer.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <thread>

// Many seconds of work for the server: a billion rows counted.
const char* const kLongStatement =
    "WITH RECURSIVE R (N) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 1000) "
    "SELECT COUNT(*) FROM R A, R B, R C";

inline ib::ParamBlock dpb(const QString& user, const QString& password)
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), user);
    params.setParam(QStringLiteral("password"), password);
    return ib::databaseParamBlock(params);
}

// A second client of the server in this process: its own attachment, and a statement that it
// runs in a thread of its own.
class Client {
public:
    Client(const QString& databaseName, const QString& user = TestServer::userName(),
           const QString& password = TestServer::password())
    {
        m_att.attach(ib::toClientText(databaseName), dpb(user, password));
        m_tr.start(m_att, ib::readCommittedTpb(false));
        m_id = value("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").toLongLong();
    }
    ~Client() { wait(); }

    qint64 attachmentId() const { return m_id; }

    QString value(const char* sql)
    {
        ib::Statement st;
        st.prepare(m_att, m_tr, sql, 3);
        st.execute(m_tr);
        QString out;
        if (st.fetch())
            out = QString::fromStdString(st.asText(0));
        st.closeCursor();
        return out;
    }

    // Runs the statement in a thread; its error (or "finished") is kept for error().
    void startLong()
    {
        m_thread = std::thread([this] {
            try {
                ib::Statement st;
                st.prepare(m_att, m_tr, kLongStatement, 3);
                st.execute(m_tr);
                st.fetch();
                st.closeCursor();
                m_error = QStringLiteral("finished");
            } catch (const Exception& e) {
                m_error = e.message();
            }
            m_done = true;
        });
    }
    // Waits for the statement's thread to end; its error text. A statement that goes on running
    // (nothing stopped it) is ended by a shutdown of the attachment after a minute, and reads as
    // "still running".
    QString wait(TdmQuillmere* dm = nullptr)
    {
        for (int i = 0; dm && !m_done && i < 1200; ++i)
            QThread::msleep(50);
        if (dm && !m_done) {
            dm->ShutdownAttachment(m_id);
            if (m_thread.joinable())
                m_thread.join();
            return QStringLiteral("still running");
        }
        if (m_thread.joinable())
            m_thread.join();
        return m_error;
    }

private:
    ib::Attachment m_att;
    ib::Transaction m_tr;
    qint64 m_id = 0;
    std::thread m_thread;
    std::atomic<bool> m_done = false;
    QString m_error;
};

