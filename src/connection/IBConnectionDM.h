#pragma once
// Base of the data modules that work on the program's one connection: SetDatabase hands the
// connection to every query, transaction, statement and information requester of the module.

#include <QObject>

#include <functional>
#include <vector>

namespace ib {
class Database;
class TransactionComponent;
class StatementComponent;
}  // namespace ib

class TdmIBConnection : public QObject {
    Q_OBJECT
public:
    explicit TdmIBConnection(QObject* owner = nullptr) : QObject(owner) {}

    ib::Database* Database() const { return m_database; }
    // If the reference differs from Database: store it, then ApplyDatabase.
    void SetDatabase(ib::Database* database);
    // Walks the components from the last to the first and hands each the connection.
    void ApplyDatabase();

protected:
    // The module's components, in creation order.
    void addComponent(ib::TransactionComponent* transaction);
    void addComponent(ib::StatementComponent* statement);
    // Anything else that works on the connection (a query, an information requester): gets it
    // like the others.
    void addComponent(std::function<void(ib::Database*)> informationRequester);

private:
    ib::Database* m_database = nullptr;
    std::vector<std::function<void(ib::Database*)>> m_components;
};
