#pragma once
// Syntax colouring for InterBase SQL: keywords (with the InterBase and Firebird ones such as
// GEN_ID, GENERATOR, SUSPEND, RETURNING_VALUES), identifiers (quoted ones too), strings, numbers
// and comments (-- to the end of the line, and /* */ across lines), each in its own style.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class TInterBaseSqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    enum class Kind { Keyword, Identifier, String, Number, Comment };

    explicit TInterBaseSqlHighlighter(QTextDocument* document);

    static QTextCharFormat format(Kind kind);
    static bool isKeyword(QStringView word);

protected:
    void highlightBlock(const QString& text) override;

private:
    // What a line ends inside of, carried to the next line.
    enum State { Normal = 0, InComment = 1, InString = 2, InQuotedIdentifier = 3 };
    // Continues a quoted text from position; the position after its closing quote, -1 when the
    // line ends inside it.
    static int closingQuote(const QString& text, int position, QChar quote);
};
