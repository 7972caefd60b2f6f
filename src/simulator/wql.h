#pragma once

// The subset of WQL the system sends:
//   SELECT * | Prop [, Prop ...] FROM Class [WHERE Prop = literal [AND|OR Prop = literal ...]]
// Keywords are case-insensitive; AND binds tighter than OR; literals are integers, 'text',
// "text", TRUE or FALSE. No parentheses and no operator other than "=".

#include <QString>

#include <vector>

namespace sim {

struct WqlCondition
{
    enum class Kind { Number, Text, Boolean };
    QString property;
    Kind kind = Kind::Number;
    qint64 number = 0;
    QString text;
    bool boolean = false;
};

struct WqlQuery
{
    std::vector<QString> properties;                // empty: SELECT *
    QString className;
    std::vector<std::vector<WqlCondition>> where;   // OR of AND groups; empty: no WHERE
};

// False (with the reason) when the text is not in the subset.
bool parseWql(const QString &text, WqlQuery *query, QString *error);

} // namespace sim
