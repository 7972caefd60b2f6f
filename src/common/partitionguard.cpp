#include "partitionguard.h"

#include "sizetext.h"

#include <QCoreApplication>

PartitionGuard partitionGuard(const PartitionInfo &p)
{
    if (p.isUnallocated)
        return PartitionGuard::None;
    if (p.isSystem || p.isBoot || p.driveLetter.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0)
        return PartitionGuard::RunningSystem;
    switch (p.typeCode) {
    case 1:
    case 7: return PartitionGuard::EfiSystem;
    case 5: return PartitionGuard::Recovery;
    case 6: return PartitionGuard::Msr;
    case 8: return PartitionGuard::Oem;
    default: break;
    }
    // Records built from a type name only (no provider type code).
    const QString &t = p.type;
    if (t.compare(QLatin1String("EFI"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0)
        return PartitionGuard::EfiSystem;
    if (t.compare(QLatin1String("Recovery"), Qt::CaseInsensitive) == 0)
        return PartitionGuard::Recovery;
    if (t.compare(QLatin1String("MSR"), Qt::CaseInsensitive) == 0)
        return PartitionGuard::Msr;
    if (t.compare(QLatin1String("OEM"), Qt::CaseInsensitive) == 0)
        return PartitionGuard::Oem;
    return PartitionGuard::None;
}

QString partitionGuardText(const PartitionInfo &p)
{
    const QString name = partitionName(p);
    switch (partitionGuard(p)) {
    case PartitionGuard::None:
        return QString();
    case PartitionGuard::RunningSystem: {
        QString what;
        if (p.isSystem)
            what = QCoreApplication::translate("PartitionGuard", "the system partition the running Windows started from");
        else
            what = QCoreApplication::translate("PartitionGuard", "the boot partition holding the running Windows");
        return QCoreApplication::translate("PartitionGuard", "%1 is %2. Windows needs it while it runs, so it cannot be changed here.")
            .arg(name, what);
    }
    case PartitionGuard::EfiSystem:
        return QCoreApplication::translate("PartitionGuard", "%1 is an EFI system partition. It holds boot loaders: without it, a system "
                              "installed on this disk can no longer start.")
            .arg(name);
    case PartitionGuard::Msr:
        return QCoreApplication::translate("PartitionGuard", "%1 is a Microsoft Reserved (MSR) partition. Windows keeps it for managing "
                              "this GPT disk: without it, later changes to the disk can fail.")
            .arg(name);
    case PartitionGuard::Recovery:
        return QCoreApplication::translate("PartitionGuard", "%1 is a recovery partition. It holds the Windows recovery environment: "
                              "without it, Windows can no longer repair or reset itself.")
            .arg(name);
    case PartitionGuard::Oem:
        return QCoreApplication::translate("PartitionGuard", "%1 is an OEM partition. It holds the maker's recovery or support tools: "
                              "they cannot be restored without the maker's media.")
            .arg(name);
    }
    return QString();
}
