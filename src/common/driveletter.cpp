#include "driveletter.h"

namespace driveletter {

bool isLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

QChar parse(const QString &text)
{
    QString t = text.trimmed();
    if (t.endsWith(QLatin1String(":\\")))
        t.chop(2);
    else if (t.endsWith(QLatin1Char(':')))
        t.chop(1);
    if (t.size() != 1 || !isLetter(t.at(0)))
        return QChar();
    return t.at(0).toUpper();
}

bool isDriveText(const QString &text)
{
    return text.size() == 2 && isLetter(text.at(0)) && text.at(1) == QLatin1Char(':');
}

QString drive(QChar letter)
{
    return isLetter(letter) ? QString(letter.toUpper()) + QLatin1Char(':') : QString();
}

QString root(QChar letter)
{
    return isLetter(letter) ? drive(letter) + QLatin1Char('\\') : QString();
}

QString driveOf(const PartitionInfo &info)
{
    const QChar own = parse(info.driveLetter);
    if (!own.isNull())
        return drive(own);
    return info.driveLetters.isEmpty() ? QString() : drive(parse(info.driveLetters.first()));
}

QString driveOrId(const PartitionInfo &info)
{
    const QString own = driveOf(info);
    return own.isEmpty() ? info.id : own;
}

QStringList freeLetters(const QStringList &used)
{
    QList<QChar> taken;
    for (const QString &text : used)
        if (!text.isEmpty())
            taken << text.at(0).toUpper();
    QStringList available;
    for (char c = 'D'; c <= 'Z'; ++c)
        if (!taken.contains(QLatin1Char(c)))
            available << QString(QLatin1Char(c));
    return available;
}

} // namespace driveletter
