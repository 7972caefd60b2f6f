#include "sizetext.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString fixed2(double value, const char *unit)
{
    // QString::number uses the C locale, so the separator is always a point.
    return QStringLiteral("%1 %2").arg(QString::number(value, 'f', 2), QLatin1String(unit));
}

} // namespace

QString formatSize(qint64 bytes)
{
    constexpr qint64 KiB = 1024;
    constexpr qint64 MiB = KiB * 1024;
    constexpr qint64 GiB = MiB * 1024;
    constexpr qint64 TiB = GiB * 1024;
    constexpr qint64 PiB = TiB * 1024;
    if (bytes < 0)
        return QStringLiteral("0 B");
    if (bytes >= PiB)
        return fixed2(double(bytes) / double(PiB), "PB");
    if (bytes >= TiB)
        return fixed2(double(bytes) / double(TiB), "TB");
    if (bytes >= GiB)
        return fixed2(double(bytes) / double(GiB), "GB");
    if (bytes >= MiB)
        return fixed2(double(bytes) / double(MiB), "MB");
    if (bytes < KiB)
        return QStringLiteral("%1 B").arg(bytes);
    return fixed2(double(bytes) / double(KiB), "KB");
}

bool isSystemPartition(const PartitionInfo &p)
{
    if (p.type.contains(QLatin1String("System"), Qt::CaseInsensitive)
        || p.type.contains(QLatin1String("EFI"), Qt::CaseInsensitive)
        || p.type.contains(QLatin1String("MSR"), Qt::CaseInsensitive))
        return true;
    if (p.status.contains(QLatin1String("System"), Qt::CaseInsensitive))
        return true;
    return p.typeCode == 1;
}

bool isBootPartition(const PartitionInfo &p)
{
    for (const QString &letter : p.driveLetters) {
        if (letter.startsWith(QLatin1String("C:"), Qt::CaseInsensitive))
            return true;
    }
    if (p.name.contains(QLatin1String("C:"), Qt::CaseInsensitive))
        return true;
    return p.status.contains(QLatin1String("Boot"), Qt::CaseInsensitive);
}

QString partitionTypeText(const PartitionInfo &p)
{
    QStringList tags;
    if (isBootPartition(p))
        tags << QCoreApplication::translate("PartitionText", "Boot");
    if (isSystemPartition(p))
        tags << QCoreApplication::translate("PartitionText", "System");

    QString typeTag;
    switch (p.typeCode) {
    case 1: typeTag = QCoreApplication::translate("PartitionText", "System"); break;
    case 3: typeTag = QCoreApplication::translate("PartitionText", "Extended"); break;
    case 4: typeTag = QCoreApplication::translate("PartitionText", "Logical"); break;
    case 5: typeTag = QCoreApplication::translate("PartitionText", "Recovery"); break;
    case 6: typeTag = QStringLiteral("MSR"); break;
    case 7: typeTag = QStringLiteral("EFI"); break;
    case 8: typeTag = QStringLiteral("OEM"); break;
    default: typeTag = QCoreApplication::translate("PartitionText", "Data Partition"); break;
    }
    if (!tags.contains(typeTag, Qt::CaseSensitive))
        tags << typeTag;
    return tags.join(QStringLiteral(", "));
}

QString partitionDisplayName(const PartitionInfo &p)
{
    if (!p.driveLetters.isEmpty() && p.driveLetters.first().endsWith(QLatin1String(":\\")))
        return p.driveLetters.first().left(2);
    if (!p.name.isEmpty() && p.name != QLatin1String("Unknown")
        && !p.name.contains(QLatin1String("Partition"), Qt::CaseInsensitive))
        return p.name;
    if (p.partitionNumber >= 1)
        return QCoreApplication::translate("PartitionText", "Partition %1").arg(p.partitionNumber);
    return QCoreApplication::translate("PartitionText", "Unknown Partition");
}

QString shortSize(qint64 bytes)
{
    const double b = double(bytes);
    if (bytes >= (1LL << 40))
        return QString::number(b / double(1LL << 40), 'f', 2) + QStringLiteral(" TB");
    if (bytes >= (1LL << 30))
        return QString::number(b / double(1LL << 30), 'f', 2) + QStringLiteral(" GB");
    if (bytes >= (1LL << 20))
        return QString::number(b / double(1LL << 20), 'f', 1) + QStringLiteral(" MB");
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    return QString::number(b / 1024.0, 'f', 1) + QStringLiteral(" KB");
}

QString gibNumber(qint64 bytes)
{
    return QString::number(double(bytes) / double(1LL << 30), 'f', 2);
}

QString megabytesText(int megabytes)
{
    if (megabytes < 1024)
        return QCoreApplication::translate("PartitionResizeBar", "%1 MB").arg(megabytes);
    return QCoreApplication::translate("PartitionResizeBar", "%1 GB").arg(QString::number(megabytes / 1024.0, 'f', 1));
}
