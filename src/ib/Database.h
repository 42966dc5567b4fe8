#pragma once
// The program's database connection as a component: the database name exactly as entered, the
// parameter list, SQL dialect 1, open/close with after-connect and after-disconnect events. The
// transaction and statement components that use it register with it, so that closing ends their
// transactions and frees their statements before the attachment goes.

#include "common/ParamList.h"
#include "ib/Attachment.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"

#include <QString>

#include <functional>
#include <vector>

namespace ib {

class Database;

// Something that works on a Database and must let go of it when the connection closes.
class DatabaseUser {
public:
    virtual ~DatabaseUser() = default;
    virtual void databaseClosing() noexcept = 0;
    virtual void databaseDestroyed() noexcept = 0;
};

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& databaseName() const { return m_name; }
    void setDatabaseName(const QString& name) { m_name = name; }
    ParamList& params() { return m_params; }
    const ParamList& params() const { return m_params; }
    unsigned sqlDialect() const { return 1; }

    // Attaches with the DPB built from the parameter list; then afterConnect. A failed attach
    // leaves the connection closed and fires nothing.
    void open();
    // open() without afterConnect, for an owner that raises the event itself.
    void attach();
    // Attaches again with the same name and parameters, for a connection that has been lost. Only
    // once the new attachment is there does it take the old one's place: the users' transactions
    // end and their statements are freed, the old attachment is let go (also when the server
    // cannot be told). A failed attach leaves everything as it was. Fires no event.
    void reattach();
    // Ends the transactions and frees the statements of its users, detaches, then afterDisconnect.
    // A server that cannot be told (a lost connection) does not keep the connection open.
    void close();
    bool isConnected() const { return m_attachment.isAttached(); }
    Attachment& attachment() { return m_attachment; }

    std::function<void()> afterConnect;
    std::function<void()> afterDisconnect;

    void addUser(DatabaseUser* user);
    void removeUser(DatabaseUser* user) noexcept;

private:
    void attachTo(Attachment& attachment) const;

    QString m_name;
    ParamList m_params;
    Attachment m_attachment;
    std::vector<DatabaseUser*> m_users;
};

// A transaction component: a default database and a parameter block.
class TransactionComponent : public DatabaseUser {
public:
    explicit TransactionComponent(ParamBlock tpb) : m_tpb(std::move(tpb)) {}
    ~TransactionComponent() override;
    void setDefaultDatabase(Database* database);
    Database* defaultDatabase() const { return m_database; }

    void start();
    void commit() { m_transaction.commit(); }
    void commitRetaining() { m_transaction.commitRetaining(); }
    void rollback() { m_transaction.rollback(); }
    bool isActive() const { return m_transaction.isActive(); }
    Transaction& transaction() { return m_transaction; }
    const ParamBlock& tpb() const { return m_tpb; }

    void databaseClosing() noexcept override { m_transaction.endQuietly(); }
    void databaseDestroyed() noexcept override { m_database = nullptr; }

private:
    ParamBlock m_tpb;
    Transaction m_transaction;
    Database* m_database = nullptr;
};

// A statement component on a database; it runs in the transaction it is prepared with.
class StatementComponent : public DatabaseUser {
public:
    StatementComponent() = default;
    ~StatementComponent() override;
    void setDatabase(Database* database);
    Database* database() const { return m_database; }

    // Prepares the text (dialect 1) in the transaction component, which must be active.
    Statement& prepare(TransactionComponent& transaction, const std::string& sql);
    Statement& statement() { return m_statement; }

    void databaseClosing() noexcept override { m_statement.free(); }
    void databaseDestroyed() noexcept override
    {
        m_statement.drop();
        m_database = nullptr;
    }

private:
    Statement m_statement;
    Database* m_database = nullptr;
};

}  // namespace ib
