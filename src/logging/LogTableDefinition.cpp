#include "logging/LogTableDefinition.h"

#include "ib/Database.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Values.h"
#include "logging/LogSQLConstants.h"

#include <QHash>

#include <algorithm>

namespace logddl {

namespace {

QString L(const char* piece) { return QString::fromLatin1(piece); }

QString textOf(const ib::Statement& st, int column) { return ib::decodeText(st.rawText(column)).trimmed(); }

std::optional<int> intOf(const ib::Statement& st, int column)
{
    if (st.isNull(column))
        return std::nullopt;
    return static_cast<int>(st.asInt64(column));
}

std::optional<QString> blobOf(ib::Statement& st, int column)
{
    if (st.isNull(column))
        return std::nullopt;
    return ib::decodeText(st.blobText(column));
}

// Runs one definition query with the relation name as its parameter; each row goes to onRow.
template <typename OnRow>
void query(ib::StatementComponent& statement, ib::TransactionComponent& transaction, const char* sql,
           const QString& relationName, OnRow onRow)
{
    ib::Statement& st = statement.prepare(transaction, sql);
    st.setText(0, ib::toClientText(relationName));
    st.execute(transaction.transaction());
    try {
        while (st.fetch())
            onRow(st);
    } catch (...) {
        st.closeCursor();
        throw;
    }
    st.closeCursor();
}

bool isGeneratedDomain(const QString& domain)
{
    const QString prefix = L(logsql::GeneratedDomainPrefix);
    return domain.startsWith(prefix) && domain.size() > prefix.size() && domain[prefix.size()].isDigit();
}

bool isBigint(const ColumnDefinition& c)
{
    return c.fieldType == 16 && c.scale == 0 && c.subType.value_or(0) == 0 && !c.computedSource;
}

QString bigint(unsigned dialect) { return L(dialect >= 3 ? logsql::Bigint : logsql::BigintInDialect1); }

QString dataType(const ColumnDefinition& c, int odsMajorVersion, unsigned dialect)
{
    using namespace logsql;
    QString out;
    const int type = c.fieldType;
    const bool integral = type == 7 || type == 8 || type == 16;
    const int subType = c.subType.value_or(0);
    if (integral && odsMajorVersion >= 10 && c.precision.value_or(0) != 0 && (subType == 1 || subType == 2)) {
        out = L(subType == 1 ? Numeric : Decimal) + L(OpenPrecision) + QString::number(*c.precision) +
              L(PrecisionScaleSeparator) + QString::number(-c.scale) + L(ClosePrecision);
    } else if ((type == 7 || type == 8 || type == 27) && c.scale < 0) {
        out = L(Numeric) + L(OpenPrecision) + QString::number(defaultPrecision(type)) +
              L(PrecisionScaleSeparator) + QString::number(-c.scale) + L(ClosePrecision);
    } else if (isBigint(c)) {
        out = bigint(dialect);
    } else if (const char* name = typeName(type)) {
        out = L(name);
    }
    if (type == 14 || type == 37)
        out += L(OpenLength) + QString::number(c.characterLength.value_or(c.fieldLength)) + L(CloseLength);
    if (!c.bounds.isEmpty()) {
        QStringList bounds;
        for (const auto& [lower, upper] : c.bounds)
            bounds << QString::number(lower) + L(BoundSeparator) + QString::number(upper);
        out += L(OpenBounds) + bounds.join(L(DimensionSeparator)) + L(CloseBounds);
    }
    if (type == 261) {
        const char* name = blobSubTypeName(subType);
        out += L(BlobSubType) + (name ? L(name) : QString::number(subType)) + L(SegmentSize) +
               QString::number(c.segmentLength.value_or(0));
    }
    return out;
}

}  // namespace

TableDefinition readTableDefinition(ib::StatementComponent& statement, ib::TransactionComponent& transaction,
                                    const QString& relationName)
{
    using namespace logsql;
    TableDefinition table;
    query(statement, transaction, TableColumns, relationName, [&](ib::Statement& st) {
        ColumnDefinition c;
        c.name = textOf(st, tcFieldName);
        c.domain = textOf(st, tcFieldSource);
        c.systemRelation = intOf(st, tcSystemFlag).value_or(0) != 0;
        c.fieldType = intOf(st, tcFieldType).value_or(0);
        c.subType = intOf(st, tcFieldSubType);
        c.precision = intOf(st, tcFieldPrecision);
        c.scale = intOf(st, tcFieldScale).value_or(0);
        c.fieldLength = intOf(st, tcFieldLength).value_or(0);
        c.characterLength = intOf(st, tcCharacterLength);
        c.segmentLength = intOf(st, tcSegmentLength);
        c.dimensions = intOf(st, tcDimensions).value_or(0);
        c.characterSetId = intOf(st, tcCharacterSetId);
        c.characterSetName = textOf(st, tcCharacterSetName);
        c.defaultCollateName = textOf(st, tcDefaultCollateName);
        c.collationName = textOf(st, tcCollationName);
        c.computedSource = blobOf(st, tcComputedSource);
        c.defaultSource = blobOf(st, tcDefaultSource);
        c.notNull = intOf(st, tcNullFlag).value_or(0) == 1;
        table.columns.push_back(std::move(c));
    });
    if (table.columns.isEmpty())
        return table;

    QHash<QString, qsizetype> byName;
    for (qsizetype i = 0; i < table.columns.size(); ++i)
        byName.insert(table.columns[i].name, i);
    query(statement, transaction, NotNullConstraints, relationName, [&](ib::Statement& st) {
        const auto it = byName.constFind(textOf(st, 0));
        if (it != byName.constEnd())
            table.columns[*it].notNullConstraints << textOf(st, 1);
    });
    if (std::any_of(table.columns.cbegin(), table.columns.cend(), [](const ColumnDefinition& c) { return c.dimensions > 0; })) {
        QHash<QString, QList<std::pair<int, int>>> bounds;
        query(statement, transaction, ArrayBounds, relationName, [&](ib::Statement& st) {
            bounds[textOf(st, 0)].push_back({intOf(st, 1).value_or(0), intOf(st, 2).value_or(0)});
        });
        for (ColumnDefinition& c : table.columns)
            if (c.dimensions > 0)
                c.bounds = bounds.value(c.domain);
    }
    query(statement, transaction, KeyConstraints, relationName, [&](ib::Statement& st) {
        const QString name = textOf(st, 0);
        if (table.keys.isEmpty() || table.keys.back().name != name)
            table.keys.push_back({name, textOf(st, 1) == L(PrimaryKeyType), {}});
        table.keys.back().columns << textOf(st, 2);
    });
    statement.statement().free();
    return table;
}

QString ddlName(const QString& name, unsigned dialect)
{
    if (dialect >= 3) {
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return name.trimmed().toUpper();
}

QString columnDefinition(const ColumnDefinition& c, int odsMajorVersion, unsigned dialect)
{
    using namespace logsql;
    QString out;
    if (c.computedSource) {
        out = L(ComputedBy) + *c.computedSource;
    } else if (!isGeneratedDomain(c.domain) && !c.systemRelation) {
        out = ddlName(c.domain, dialect);
    } else {
        out = dataType(c, odsMajorVersion, dialect);
        const bool textual = c.fieldType == 14 || c.fieldType == 37 || c.fieldType == 261;
        if (textual && c.characterSetId.value_or(0) != 0)
            out += L(CharacterSet) + ddlName(c.characterSetName, dialect);
    }
    if (c.defaultSource)
        out += L(BeforeDefault) + *c.defaultSource;
    if (c.notNull) {
        for (const QString& constraint : c.notNullConstraints)
            if (!constraint.startsWith(L(UnnamedConstraintPrefix)))
                out += L(ColumnConstraint) + ddlName(constraint, dialect);
        out += L(NotNull);
    }
    if (!c.collationName.isEmpty() && c.collationName != c.defaultCollateName)
        out += L(Collate) + ddlName(c.collationName, dialect);
    return out;
}

QString logTableDDL(const QString& logTableName, const TableDefinition& table, int odsMajorVersion,
                    unsigned dialect)
{
    using namespace logsql;
    QStringList lines;
    lines << L(CreateTable) + ddlName(logTableName, dialect) + L(AfterTableName) << L(OpenColumns) << L(IdColumn)
          << L(TimeStampColumn) << L(SnapshotIdColumn);
    for (qsizetype i = 0; i < table.columns.size(); ++i) {
        const ColumnDefinition& c = table.columns[i];
        QString line = L(ColumnIndent) + ddlName(c.name, dialect) + L(AfterColumnName) +
                       columnDefinition(c, odsMajorVersion, dialect);
        if (i + 1 < table.columns.size())
            line += L(ItemSeparator);
        lines << line;
    }
    for (const KeyConstraint& key : table.keys) {
        lines.back() += L(ItemSeparator);
        QString line;
        if (!key.name.startsWith(L(UnnamedConstraintPrefix)))
            line = L(NamedConstraint) + ddlName(key.name, dialect);
        QStringList columns;
        for (const QString& column : key.columns)
            columns << ddlName(column, dialect);
        line += L(key.primaryKey ? PrimaryKey : Unique) + columns.join(L(ColumnNameSeparator)) + L(CloseKey);
        lines << line;
    }
    lines << L(CloseColumns);
    QString text;
    for (const QString& line : lines)
        text += line + L(LineEnd);
    return text;
}

QString widenColumnsDDL(const QString& logTableName, const TableDefinition& logTable,
                        const TableDefinition& monitoringTable, unsigned dialect)
{
    using namespace logsql;
    QHash<QString, const ColumnDefinition*> wide;
    for (const ColumnDefinition& c : monitoringTable.columns)
        if (isBigint(c))
            wide.insert(c.name, &c);
    QStringList items;
    for (const ColumnDefinition& c : logTable.columns) {
        const bool narrowInteger = (c.fieldType == 7 || c.fieldType == 8) && c.scale == 0 && !c.computedSource;
        if (narrowInteger && wide.contains(c.name))
            items << L(AlterColumn) + ddlName(c.name, dialect) + L(ToType) + bigint(dialect);
    }
    if (items.isEmpty())
        return QString();
    return L(AlterTable) + ddlName(logTableName, dialect) + items.join(L(ItemSeparator));
}

}  // namespace logddl
