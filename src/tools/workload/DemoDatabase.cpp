#include "DemoDatabase.h"

#include "ib/Statement.h"

#include <QStringList>

#include <array>

namespace {

struct Table {
    const char* name;
    const char* create;
};

const std::array<Table, 3> kTables{{
    {"QM_REGIONS",
     "CREATE TABLE QM_REGIONS (REGION_ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL)"},
    {"QM_PRODUCTS",
     "CREATE TABLE QM_PRODUCTS (PRODUCT_ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL, "
     "REGION_ID INTEGER NOT NULL REFERENCES QM_REGIONS, PRICE NUMERIC(9,2) NOT NULL, STOCK INTEGER NOT NULL)"},
    {"QM_ORDERS",
     "CREATE TABLE QM_ORDERS (ORDER_ID INTEGER NOT NULL PRIMARY KEY, PRODUCT_ID INTEGER NOT NULL, "
     "QUANTITY INTEGER NOT NULL, AMOUNT NUMERIC(9,2) NOT NULL, PLACED TIMESTAMP NOT NULL)"},
}};

// An order: the product's stock goes down (and is refilled when it would run out), the order is
// added with the next number.
const char* const kPlaceOrder =
    "CREATE OR ALTER PROCEDURE QM_PLACE_ORDER (PRODUCT INTEGER, QUANTITY INTEGER) RETURNS (ORDER_ID INTEGER) AS "
    "DECLARE PRICE NUMERIC(9,2); "
    "BEGIN "
    "  SELECT PRICE FROM QM_PRODUCTS WHERE PRODUCT_ID = :PRODUCT INTO :PRICE; "
    "  IF (PRICE IS NULL) THEN EXIT; "
    "  UPDATE QM_PRODUCTS SET STOCK = CASE WHEN STOCK < :QUANTITY THEN STOCK + 1000 ELSE STOCK END - :QUANTITY "
    "    WHERE PRODUCT_ID = :PRODUCT; "
    "  ORDER_ID = GEN_ID(QM_ORDER_NUMBERS, 1); "
    "  INSERT INTO QM_ORDERS (ORDER_ID, PRODUCT_ID, QUANTITY, AMOUNT, PLACED) "
    "    VALUES (:ORDER_ID, :PRODUCT, :QUANTITY, :PRICE * :QUANTITY, CURRENT_TIMESTAMP); "
    "  SUSPEND; "
    "END";

// A slow check of the stock: a loop of LOOPS steps of arithmetic, then the products counted.
const char* const kStockCheck =
    "CREATE OR ALTER PROCEDURE QM_STOCK_CHECK (LOOPS INTEGER) RETURNS (PRODUCTS INTEGER, CHECKSUM INTEGER) AS "
    "DECLARE I INTEGER = 0; "
    "BEGIN "
    "  CHECKSUM = 0; "
    "  WHILE (I < LOOPS) DO "
    "  BEGIN "
    "    I = I + 1; "
    "    CHECKSUM = MOD(CHECKSUM * 31 + I, 1000003); "
    "  END "
    "  SELECT COUNT(*) FROM QM_PRODUCTS WHERE STOCK >= 0 INTO :PRODUCTS; "
    "  SUSPEND; "
    "END";

const char* const kRegionNames[kDemoRegions] = {"North", "South", "East",  "West",
                                                "Centre", "Coast", "Hills", "Islands"};
const char* const kProductKinds[] = {"Lamp", "Chair", "Table", "Shelf", "Rug", "Mirror", "Clock", "Vase"};

bool exists(WorkloadSession& s, ib::Transaction& tr, const std::string& query, const char* name)
{
    ib::Statement st;
    st.prepare(s.attachment(), tr, query, s.dialect());
    st.setText(0, name);
    st.execute(tr);
    const bool found = st.fetch();
    st.closeCursor();
    return found;
}

void insertRows(WorkloadSession& s, ib::Transaction& tr)
{
    if (s.scalar(tr, "SELECT COUNT(*) FROM QM_REGIONS") == 0) {
        ib::Statement st;
        st.prepare(s.attachment(), tr, "INSERT INTO QM_REGIONS (REGION_ID, NAME) VALUES (?, ?)", s.dialect());
        for (int i = 0; i < kDemoRegions; ++i) {
            st.setInt64(0, i + 1);
            st.setText(1, kRegionNames[i]);
            st.execute(tr);
        }
    }
    if (s.scalar(tr, "SELECT COUNT(*) FROM QM_PRODUCTS") == 0) {
        ib::Statement st;
        st.prepare(s.attachment(), tr,
                   "INSERT INTO QM_PRODUCTS (PRODUCT_ID, NAME, REGION_ID, PRICE, STOCK) VALUES (?, ?, ?, ?, ?)",
                   s.dialect());
        for (int i = 0; i < kDemoProducts; ++i) {
            const QString name = QStringLiteral("%1 %2").arg(QLatin1String(kProductKinds[i % std::size(kProductKinds)])).arg(i + 1);
            st.setInt64(0, i + 1);
            st.setText(1, name.toStdString());
            st.setInt64(2, i % kDemoRegions + 1);
            st.setText(3, QStringLiteral("%1.%2").arg(5 + (i * 37) % 400).arg((i * 13) % 100, 2, 10, QLatin1Char('0')).toStdString());
            st.setInt64(4, 100 + (i * 7) % 900);
            st.execute(tr);
        }
    }
}

}  // namespace

void createDemoDatabase(const WorkloadConnection& connection)
{
    QString statement = QStringLiteral("CREATE DATABASE '%1'").arg(QString(connection.database).replace(QLatin1Char('\''), QStringLiteral("''")));
    if (!connection.user.isEmpty())
        statement += QStringLiteral(" USER '%1'").arg(QString(connection.user).replace(QLatin1Char('\''), QStringLiteral("''")));
    if (!connection.password.isEmpty())
        statement += QStringLiteral(" PASSWORD '%1'").arg(QString(connection.password).replace(QLatin1Char('\''), QStringLiteral("''")));
    statement += QStringLiteral(" PAGE_SIZE 8192");
    ib::Attachment db;
    db.createDatabase(ib::toClientText(statement), 3);
    db.detach();
}

void setupDemoDatabase(const WorkloadConnection& connection)
{
    WorkloadSession s(connection);
    {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, false, false));
        for (const Table& t : kTables)
            if (!exists(s, tr, "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?", t.name))
                s.execute(tr, t.create);
        if (!exists(s, tr, "SELECT 1 FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = ?", "QM_ORDER_NUMBERS"))
            s.execute(tr, "CREATE SEQUENCE QM_ORDER_NUMBERS");
        tr.commit();
    }
    ib::Transaction tr;
    tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, false, false));
    insertRows(s, tr);
    s.execute(tr, kPlaceOrder);
    s.execute(tr, kStockCheck);
    tr.commit();
}
