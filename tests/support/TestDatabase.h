#pragma once
// A fresh Firebird database per test case, created through the embedded engine in a temporary
// folder, with the monitoring tables of schema/ applied.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace ib {
class Attachment;
}

class TestDatabase {
public:
    struct Options {
        bool applySchema = true;
        unsigned dialect = 1;
        QString characterSet = QStringLiteral("NONE");  // the database's default character set
        QString fileName = QStringLiteral("test.fdb");
    };
    TestDatabase();
    explicit TestDatabase(const Options& options);
    ~TestDatabase();

    const QString& path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    // Attaches as SYSDBA through the embedded engine, with the connection character set when given.
    void attach(ib::Attachment& attachment, const QString& characterSet = QString()) const;

    // Each call attaches, runs the statements in one transaction, commits and detaches.
    void execute(const QString& sql, const QString& characterSet = QString()) const;
    void execute(const QStringList& statements, const QString& characterSet = QString()) const;
    void executeScript(const QString& scriptPath) const;
    // The first column of the first row, as text (empty when no row).
    QString scalar(const QString& sql) const;

    static QString schemaPath(const QString& fileName);

private:
    QTemporaryDir m_dir;
    QString m_path;
    unsigned m_dialect;
};
