#include "simulator/wql.h"

namespace sim {

namespace {

struct Token
{
    enum class Kind { Identifier, Number, Text, Symbol, End };
    Kind kind = Kind::End;
    QString text;
    qint64 number = 0;
};

class Lexer
{
public:
    explicit Lexer(const QString &text) : m_text(text) {}

    bool next(Token *t, QString *error)
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
        *t = Token();
        if (m_pos >= m_text.size())
            return true;
        const QChar c = m_text[m_pos];
        if (c.isLetter() || c == QLatin1Char('_')) {
            const int start = m_pos;
            while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == QLatin1Char('_')))
                ++m_pos;
            t->kind = Token::Kind::Identifier;
            t->text = m_text.mid(start, m_pos - start);
            return true;
        }
        if (c.isDigit() || (c == QLatin1Char('-') && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit())) {
            const int start = m_pos++;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit())
                ++m_pos;
            bool ok = false;
            t->kind = Token::Kind::Number;
            t->text = m_text.mid(start, m_pos - start);
            t->number = t->text.toLongLong(&ok);
            if (!ok) {
                *error = QStringLiteral("number out of range: %1").arg(t->text);
                return false;
            }
            return true;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int start = ++m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != c)
                ++m_pos;
            if (m_pos >= m_text.size()) {
                *error = QStringLiteral("unterminated text literal");
                return false;
            }
            t->kind = Token::Kind::Text;
            t->text = m_text.mid(start, m_pos - start);
            ++m_pos;
            return true;
        }
        if (c == QLatin1Char('*') || c == QLatin1Char(',') || c == QLatin1Char('=')) {
            t->kind = Token::Kind::Symbol;
            t->text = c;
            ++m_pos;
            return true;
        }
        *error = QStringLiteral("unexpected character '%1'").arg(c);
        return false;
    }

private:
    QString m_text;
    int m_pos = 0;
};

bool isKeyword(const Token &t, const char *word)
{
    return t.kind == Token::Kind::Identifier && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isReserved(const Token &t)
{
    return isKeyword(t, "SELECT") || isKeyword(t, "FROM") || isKeyword(t, "WHERE") || isKeyword(t, "AND")
           || isKeyword(t, "OR") || isKeyword(t, "NOT");
}

} // namespace

bool parseWql(const QString &text, WqlQuery *query, QString *error)
{
    QString why;
    Lexer lexer(text);
    Token t;
    auto advance = [&]() { return lexer.next(&t, &why); };
    auto fail = [&](const QString &reason) {
        if (error)
            *error = why.isEmpty() ? reason : why;
        return false;
    };

    WqlQuery q;
    if (!advance() || !isKeyword(t, "SELECT"))
        return fail(QStringLiteral("the query must start with SELECT"));
    if (!advance())
        return fail(QString());
    if (t.kind == Token::Kind::Symbol && t.text == QLatin1String("*")) {
        if (!advance())
            return fail(QString());
    } else {
        for (;;) {
            if (t.kind != Token::Kind::Identifier || isReserved(t))
                return fail(QStringLiteral("a property name or * must follow SELECT"));
            q.properties.push_back(t.text);
            if (!advance())
                return fail(QString());
            if (t.kind == Token::Kind::Symbol && t.text == QLatin1String(",")) {
                if (!advance())
                    return fail(QString());
                continue;
            }
            break;
        }
    }
    if (!isKeyword(t, "FROM"))
        return fail(QStringLiteral("FROM is missing"));
    if (!advance() || t.kind != Token::Kind::Identifier || isReserved(t))
        return fail(QStringLiteral("a class name must follow FROM"));
    q.className = t.text;
    if (!advance())
        return fail(QString());
    if (isKeyword(t, "WHERE")) {
        q.where.emplace_back();
        for (;;) {
            if (!advance())
                return fail(QString());
            if (t.kind != Token::Kind::Identifier || isReserved(t))
                return fail(QStringLiteral("a property name must start a condition"));
            WqlCondition c;
            c.property = t.text;
            if (!advance() || t.kind != Token::Kind::Symbol || t.text != QLatin1String("="))
                return fail(QStringLiteral("only = is supported in conditions"));
            if (!advance())
                return fail(QString());
            if (t.kind == Token::Kind::Number) {
                c.kind = WqlCondition::Kind::Number;
                c.number = t.number;
            } else if (t.kind == Token::Kind::Text) {
                c.kind = WqlCondition::Kind::Text;
                c.text = t.text;
            } else if (isKeyword(t, "TRUE") || isKeyword(t, "FALSE")) {
                c.kind = WqlCondition::Kind::Boolean;
                c.boolean = isKeyword(t, "TRUE");
            } else {
                return fail(QStringLiteral("a literal must follow ="));
            }
            q.where.back().push_back(c);
            if (!advance())
                return fail(QString());
            if (isKeyword(t, "AND"))
                continue;
            if (isKeyword(t, "OR")) {
                q.where.emplace_back();
                continue;
            }
            break;
        }
    }
    if (t.kind != Token::Kind::End)
        return fail(QStringLiteral("unexpected \"%1\" after the query").arg(t.text));
    if (query)
        *query = q;
    return true;
}

} // namespace sim
