#include "volumelabel.h"

#include <QCoreApplication>
#include <QStringList>

namespace volumelabel {

namespace {

bool isFat(const QString &fs)
{
    return fs == QLatin1String("FAT32") || fs == QLatin1String("FAT16") || fs == QLatin1String("FAT");
}

} // namespace

int maxLength(const QString &fileSystem)
{
    const QString fs = fileSystem.trimmed().toUpper();
    if (isFat(fs))
        return 11;
    return fs == QLatin1String("EXFAT") ? 15 : 32;
}

QString forbiddenCharacters(const QString &fileSystem)
{
    // FAT keeps no dots either (they would read as a name's extension), nor what its short names refuse.
    return isFat(fileSystem.trimmed().toUpper()) ? QStringLiteral("/\\:*?<>|\".+,;=[]") : QStringLiteral("/\\:*?<>|\"");
}

QString refusal(const QString &fileSystem, const QString &label)
{
    const QString forbidden = forbiddenCharacters(fileSystem);
    QStringList refused;
    bool control = false;
    for (QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            control = true;
        else if (forbidden.contains(c) && !refused.contains(QStringLiteral("\u201C%1\u201D").arg(c)))
            refused << QStringLiteral("\u201C%1\u201D").arg(c); // quoted: a bare "." or ":" would read as punctuation
    }
    const QString fs = fileSystem.trimmed().isEmpty() ? QStringLiteral("NTFS") : fileSystem.trimmed();
    if (!refused.isEmpty())
        return QCoreApplication::translate("volumelabel", "%1 labels cannot contain %2.")
            .arg(fs, refused.join(QLatin1Char(' ')));
    if (control)
        return QCoreApplication::translate("volumelabel", "A label cannot contain line breaks, tabs or other control characters.");
    if (label.size() > maxLength(fs))
        return QCoreApplication::translate("volumelabel", "%1 labels hold at most %2 characters; this one has %3.")
            .arg(fs)
            .arg(maxLength(fs))
            .arg(label.size());
    return QString();
}

QString cut(const QString &text, int count)
{
    if (text.size() <= count)
        return text;
    QString out = text.left(count);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

QString forFileSystem(const QString &fileSystem, const QString &label)
{
    const QString fs = fileSystem.trimmed().toUpper();
    const bool fat = isFat(fs);
    const QString forbidden = forbiddenCharacters(fs);
    QString out;
    out.reserve(label.size());
    for (QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
            continue;
        out += fat && c == QLatin1Char(' ') ? QLatin1Char('_') : c;
    }
    if (fat)
        out = out.toUpper();
    out = cut(out, maxLength(fs));
    if (!out.isEmpty())
        return out;
    return fat ? QStringLiteral("NEW_VOLUME") : QStringLiteral("New Volume");
}

QString forFileSystemAscii(const QString &fileSystem, const QString &label)
{
    const QString shaped = forFileSystem(fileSystem, label);
    return isPrintableAscii(shaped) ? shaped : forFileSystem(fileSystem, QStringLiteral("NewVolume"));
}

bool isPrintableAscii(const QString &label)
{
    for (QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace volumelabel
