#include "ib/Database.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <algorithm>
#include <limits>

namespace ib {

namespace {
constexpr size_t MaxAttachNameLength = std::numeric_limits<short>::max();
}  // namespace

Database::~Database()
{
    if (isConnected()) {
        for (DatabaseUser* user : m_users)
            user->databaseClosing();
        try {
            m_attachment.detach();
        } catch (...) {
        }
        if (afterDisconnect)
            afterDisconnect();
    }
    const std::vector<DatabaseUser*> users = m_users;
    m_users.clear();
    for (DatabaseUser* user : users)
        user->databaseDestroyed();
}

void Database::open()
{
    if (isConnected())
        return;
    attach();
    if (afterConnect)
        afterConnect();
}

void Database::attachTo(Attachment& attachment) const
{
    const std::string name = toClientText(m_name);
    // The attach call takes the name's length as a signed 16-bit count: a longer name would be cut
    // to the low bits of its length and name another database.
    if (name.size() > MaxAttachNameLength)
        throw Exception(QString::fromUtf8(msg::DatabaseNameTooLong).arg(name.size()).arg(MaxAttachNameLength));
    attachment.attach(name, databaseParamBlock(m_params));
}

void Database::attach()
{
    if (isConnected())
        return;
    attachTo(m_attachment);
    // a server that stops answering holds no call of the program's connection beyond the bound
    m_attachment.watchCalls();
}

void Database::reattach()
{
    Attachment fresh;
    attachTo(fresh);
    for (DatabaseUser* user : m_users)
        user->databaseClosing();
    try {
        m_attachment.detach();
    } catch (const Exception&) {
        // the lost attachment is let go all the same
    }
    m_attachment.adopt(fresh);
    m_attachment.watchCalls();
}

void Database::close()
{
    if (!isConnected())
        return;
    for (DatabaseUser* user : m_users)
        user->databaseClosing();
    try {
        m_attachment.detach();
    } catch (const Exception&) {
        // the attachment is gone either way; a dead server must not keep the program connected
    }
    if (afterDisconnect)
        afterDisconnect();
}

void Database::addUser(DatabaseUser* user)
{
    if (std::find(m_users.begin(), m_users.end(), user) == m_users.end())
        m_users.push_back(user);
}

void Database::removeUser(DatabaseUser* user) noexcept { std::erase(m_users, user); }

TransactionComponent::~TransactionComponent()
{
    m_transaction.endQuietly();
    if (m_database)
        m_database->removeUser(this);
}

void TransactionComponent::setDefaultDatabase(Database* database)
{
    if (database == m_database)
        return;
    if (m_database)
        m_database->removeUser(this);
    m_database = database;
    if (m_database)
        m_database->addUser(this);
}

void TransactionComponent::start()
{
    if (!m_database)
        throw Exception(msg::NotAttached);
    m_transaction.start(m_database->attachment(), m_tpb);
}

StatementComponent::~StatementComponent()
{
    m_statement.free();
    if (m_database)
        m_database->removeUser(this);
}

void StatementComponent::setDatabase(Database* database)
{
    if (database == m_database)
        return;
    m_statement.free();
    if (m_database)
        m_database->removeUser(this);
    m_database = database;
    if (m_database)
        m_database->addUser(this);
}

Statement& StatementComponent::prepare(TransactionComponent& transaction, const std::string& sql)
{
    if (!m_database || !m_database->isConnected())
        throw Exception(msg::NotAttached);
    m_statement.prepare(m_database->attachment(), transaction.transaction(), sql, m_database->sqlDialect());
    return m_statement;
}

}  // namespace ib
