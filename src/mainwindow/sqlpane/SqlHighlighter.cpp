#include "mainwindow/sqlpane/SqlHighlighter.h"

#include <QSet>

namespace {

// Reserved words and keywords of InterBase SQL, its procedure and trigger language, and those
// that Firebird adds.
const char* const kKeywords[] = {
    "ABS", "ACTION", "ACTIVE", "ADD", "ADMIN", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING",
    "AT", "AUTO", "AUTODDL", "AVG", "BASED", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BIGINT", "BLOB",
    "BLOCK", "BOOLEAN", "BREAK", "BUFFER", "BY", "CACHE", "CASCADE", "CASE", "CAST", "CHAR", "CHARACTER",
    "CHAR_LENGTH", "CHARACTER_LENGTH", "CHECK", "CHECK_POINT_LENGTH", "CLOSE", "COALESCE", "COLLATE",
    "COLUMN", "COMMIT", "COMMITTED", "COMPUTED", "CONDITIONAL", "CONNECT", "CONSTRAINT", "CONTAINING",
    "CONTINUE", "COUNT", "CREATE", "CROSS", "CSTRING", "CURRENT", "CURRENT_CONNECTION", "CURRENT_DATE",
    "CURRENT_ROLE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_TRANSACTION", "CURRENT_USER", "CURSOR",
    "DATABASE", "DATE", "DAY", "DEBUG", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DELETE", "DELETING", "DESC",
    "DESCENDING", "DESCRIBE", "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DOUBLE", "DROP", "ECHO", "EDIT",
    "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EVENT", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT", "EXTERN",
    "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FILE", "FILTER", "FIRST", "FLOAT", "FOR", "FOREIGN", "FOUND",
    "FREE_IT", "FROM", "FULL", "FUNCTION", "GDSCODE", "GENERATOR", "GEN_ID", "GLOBAL", "GOTO", "GRANT",
    "GROUP", "GROUP_COMMIT_WAIT_TIME", "HAVING", "HOUR", "IF", "IIF", "IMMEDIATE", "IN", "INACTIVE", "INDEX",
    "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INSERTING", "INT", "INTEGER", "INTO", "IS",
    "ISOLATION", "JOIN", "KEY", "LAST", "LEAVE", "LEFT", "LENGTH", "LEV", "LEVEL", "LIKE", "LIST", "LOCK",
    "LOGFILE", "LOG_BUFFER_SIZE", "LONG", "LOWER", "MANUAL", "MATCHED", "MATCHING", "MAX", "MAXIMUM",
    "MAXIMUM_SEGMENT", "MAX_SEGMENT", "MERGE", "MESSAGE", "MIN", "MINIMUM", "MINUTE", "MODULE_NAME", "MONTH",
    "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NEW", "NEXT", "NO", "NOAUTO", "NOT", "NOWAIT", "NULL", "NULLIF",
    "NULLS", "NUMERIC", "NUM_LOG_BUFS", "OCTET_LENGTH", "OF", "OLD", "ON", "ONLY", "OPEN", "OPTION", "OR",
    "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES", "PAGE_SIZE",
    "PARAMETER", "PASSWORD", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PREPARE", "PRESERVE", "PRIMARY",
    "PRIVILEGES", "PROCEDURE", "PUBLIC", "QUIT", "RAW_PARTITIONS", "RDB$DB_KEY", "READ", "REAL", "RECORD_VERSION",
    "RECREATE", "REFERENCES", "RELEASE", "RESERV", "RESERVING", "RESTART", "RESTRICT", "RETAIN", "RETURN",
    "RETURNING", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLE", "ROLLBACK", "ROWS", "ROW_COUNT",
    "RUNTIME", "SAVEPOINT", "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SEQUENCE", "SET", "SHADOW", "SHARED",
    "SHELL", "SHOW", "SINGULAR", "SIZE", "SKIP", "SMALLINT", "SNAPSHOT", "SOME", "SORT", "SQLCODE", "SQLERROR",
    "SQLWARNING", "STABILITY", "STARTING", "STARTS", "STATEMENT", "STATIC", "STATISTICS", "SUBSTRING",
    "SUB_TYPE", "SUM", "SUSPEND", "TABLE", "TEMPORARY", "TERMINATOR", "THEN", "TIME", "TIMESTAMP", "TO",
    "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE", "TYPE", "UNCOMMITTED", "UNION",
    "UNIQUE", "UNKNOWN", "UPDATE", "UPDATING", "UPPER", "USER", "USING", "VALUE", "VALUES", "VARCHAR",
    "VARIABLE", "VARYING", "VERSION", "VIEW", "WAIT", "WEEKDAY", "WHEN", "WHENEVER", "WHERE", "WHILE", "WITH",
    "WORK", "WRITE", "YEAR", "YEARDAY",
};

const QSet<QString>& keywords()
{
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char* k : kKeywords)
            s.insert(QString::fromLatin1(k));
        return s;
    }();
    return set;
}

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordPart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// The end of a number starting at position: digits, a fraction, an exponent; hexadecimal 0x...
int numberEnd(const QString& text, int i)
{
    const int n = static_cast<int>(text.size());
    if (text[i] == QLatin1Char('0') && i + 1 < n && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        int j = i + 2;
        while (j < n && QStringLiteral("0123456789abcdefABCDEF").contains(text[j]))
            ++j;
        if (j > i + 2)
            return j;
    }
    int j = i;
    while (j < n && text[j].isDigit())
        ++j;
    if (j < n && text[j] == QLatin1Char('.')) {
        ++j;
        while (j < n && text[j].isDigit())
            ++j;
    }
    if (j < n && (text[j] == QLatin1Char('e') || text[j] == QLatin1Char('E'))) {
        int k = j + 1;
        if (k < n && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-')))
            ++k;
        if (k < n && text[k].isDigit()) {
            while (k < n && text[k].isDigit())
                ++k;
            j = k;
        }
    }
    return j;
}

}  // namespace

TInterBaseSqlHighlighter::TInterBaseSqlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat TInterBaseSqlHighlighter::format(Kind kind)
{
    QTextCharFormat f;
    switch (kind) {
    case Kind::Keyword:
        f.setForeground(QColor(0x00, 0x00, 0x80));
        f.setFontWeight(QFont::Bold);
        break;
    case Kind::Identifier: f.setForeground(QColor(0x00, 0x5f, 0x5f)); break;
    case Kind::String: f.setForeground(QColor(0xa0, 0x00, 0x00)); break;
    case Kind::Number: f.setForeground(QColor(0x80, 0x00, 0x80)); break;
    case Kind::Comment:
        f.setForeground(QColor(0x00, 0x80, 0x00));
        f.setFontItalic(true);
        break;
    }
    return f;
}

bool TInterBaseSqlHighlighter::isKeyword(QStringView word) { return keywords().contains(word.toString().toUpper()); }

int TInterBaseSqlHighlighter::closingQuote(const QString& text, int position, QChar quote)
{
    const int n = static_cast<int>(text.size());
    for (int j = position; j < n; ++j) {
        if (text[j] != quote)
            continue;
        if (j + 1 < n && text[j + 1] == quote) {  // a doubled quote stands for itself
            ++j;
            continue;
        }
        return j + 1;
    }
    return -1;
}

void TInterBaseSqlHighlighter::highlightBlock(const QString& text)
{
    const int n = static_cast<int>(text.size());
    int i = 0;
    setCurrentBlockState(Normal);

    // What the previous line left open.
    switch (previousBlockState()) {
    case InComment: {
        const int end = static_cast<int>(text.indexOf(QLatin1String("*/")));
        if (end < 0) {
            setFormat(0, n, format(Kind::Comment));
            setCurrentBlockState(InComment);
            return;
        }
        setFormat(0, end + 2, format(Kind::Comment));
        i = end + 2;
        break;
    }
    case InString:
    case InQuotedIdentifier: {
        const bool string = previousBlockState() == InString;
        const int end = closingQuote(text, 0, string ? QLatin1Char('\'') : QLatin1Char('"'));
        const QTextCharFormat f = format(string ? Kind::String : Kind::Identifier);
        if (end < 0) {
            setFormat(0, n, f);
            setCurrentBlockState(previousBlockState());
            return;
        }
        setFormat(0, end, f);
        i = end;
        break;
    }
    default: break;
    }

    while (i < n) {
        const QChar c = text[i];
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            setFormat(i, n - i, format(Kind::Comment));
            return;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const int end = static_cast<int>(text.indexOf(QLatin1String("*/"), i + 2));
            if (end < 0) {
                setFormat(i, n - i, format(Kind::Comment));
                setCurrentBlockState(InComment);
                return;
            }
            setFormat(i, end + 2 - i, format(Kind::Comment));
            i = end + 2;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const bool string = c == QLatin1Char('\'');
            const QTextCharFormat f = format(string ? Kind::String : Kind::Identifier);
            const int end = closingQuote(text, i + 1, c);
            if (end < 0) {
                setFormat(i, n - i, f);
                setCurrentBlockState(string ? InString : InQuotedIdentifier);
                return;
            }
            setFormat(i, end - i, f);
            i = end;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) {
            const int end = numberEnd(text, c == QLatin1Char('.') ? i + 1 : i);
            setFormat(i, end - i, format(Kind::Number));
            i = end;
            continue;
        }
        if (isWordStart(c)) {
            int end = i + 1;
            while (end < n && isWordPart(text[end]))
                ++end;
            const QStringView word = QStringView(text).mid(i, end - i);
            setFormat(i, end - i, format(isKeyword(word) ? Kind::Keyword : Kind::Identifier));
            i = end;
            continue;
        }
        ++i;
    }
}
