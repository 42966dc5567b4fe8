#include "connection/IBConnectionDM.h"

#include "ib/Database.h"

void TdmIBConnection::SetDatabase(ib::Database* database)
{
    if (database == m_database)
        return;
    m_database = database;
    ApplyDatabase();
}

void TdmIBConnection::ApplyDatabase()
{
    for (auto it = m_components.rbegin(); it != m_components.rend(); ++it)
        (*it)(m_database);
}

void TdmIBConnection::addComponent(ib::TransactionComponent* transaction)
{
    m_components.push_back([transaction](ib::Database* db) { transaction->setDefaultDatabase(db); });
}

void TdmIBConnection::addComponent(ib::StatementComponent* statement)
{
    m_components.push_back([statement](ib::Database* db) { statement->setDatabase(db); });
}

void TdmIBConnection::addComponent(std::function<void(ib::Database*)> informationRequester)
{
    m_components.push_back(std::move(informationRequester));
}
