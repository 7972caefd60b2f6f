#include "providervalues.h"

#include "variantreader.h"

#include <QCoreApplication>
#include <QStringList>

using platform::Variant;

namespace storage {

namespace {

QString statusWord(std::int64_t code)
{
    switch (code) {
    case 0: return QCoreApplication::translate("DiskStatus", "Unknown");
    case 1: return QCoreApplication::translate("DiskStatus", "Other");
    case 2: return QCoreApplication::translate("DiskStatus", "OK");
    case 3: return QCoreApplication::translate("DiskStatus", "Degraded");
    case 4: return QCoreApplication::translate("DiskStatus", "Stressed");
    case 5: return QCoreApplication::translate("DiskStatus", "Predictive Failure");
    case 6: return QCoreApplication::translate("DiskStatus", "Error");
    case 7: return QCoreApplication::translate("DiskStatus", "Non-Recoverable Error");
    case 8: return QCoreApplication::translate("DiskStatus", "Starting");
    case 9: return QCoreApplication::translate("DiskStatus", "Stopping");
    case 10: return QCoreApplication::translate("DiskStatus", "Stopped");
    case 11: return QCoreApplication::translate("DiskStatus", "In Service");
    case 12: return QCoreApplication::translate("DiskStatus", "No Contact");
    case 13: return QCoreApplication::translate("DiskStatus", "Lost Communication");
    case 14: return QCoreApplication::translate("DiskStatus", "Aborted");
    case 15: return QCoreApplication::translate("DiskStatus", "Dormant");
    case 16: return QCoreApplication::translate("DiskStatus", "Supporting Entity in Error");
    case 17: return QCoreApplication::translate("DiskStatus", "Completed");
    case 0xD010: return QCoreApplication::translate("DiskStatus", "Online");
    case 0xD011: return QCoreApplication::translate("DiskStatus", "Not Ready");
    case 0xD012: return QCoreApplication::translate("DiskStatus", "No Media");
    case 0xD013: return QCoreApplication::translate("DiskStatus", "Offline");
    case 0xD014: return QCoreApplication::translate("DiskStatus", "Failed");
    default: return QString();
    }
}

bool isIntegerType(std::uint16_t vt)
{
    return vt == platform::VT_I2 || vt == platform::VT_I4 || vt == platform::VT_UI1 || vt == platform::VT_UI2
        || vt == platform::VT_UI4 || vt == platform::VT_I8 || vt == platform::VT_UI8;
}

// uint16 codes may arrive sign-extended (VT_I2) or zero-extended; compare their low 16 bits.
std::int64_t asUint16(std::int64_t raw)
{
    return raw & 0xFFFF;
}

} // namespace

QString diskStatusText(const Variant &operationalStatus)
{
    QString text;
    if (readString(operationalStatus, &text))
        return text;

    std::vector<std::int64_t> codes;
    if (operationalStatus.isArray() && isIntegerType(operationalStatus.vt & ~platform::VT_ARRAY))
        codes = operationalStatus.integers;
    else if (isIntegerType(operationalStatus.vt))
        codes.push_back(operationalStatus.integer);

    QStringList words;
    for (const std::int64_t code : codes) {
        const QString word = statusWord(asUint16(code));
        if (!word.isEmpty() && !words.contains(word))
            words.append(word);
    }
    return words.isEmpty() ? QCoreApplication::translate("DiskStatus", "Unknown") : words.join(QStringLiteral(", "));
}

QString partitionTypeName(int typeCode)
{
    switch (typeCode) {
    case 1: return QStringLiteral("System");
    case 2: return QStringLiteral("Primary");
    case 3: return QStringLiteral("Extended");
    case 4: return QStringLiteral("Logical");
    case 5: return QStringLiteral("Recovery");
    case 6: return QStringLiteral("MSR");
    case 7: return QStringLiteral("EFI");
    case 8: return QStringLiteral("OEM");
    default: return QStringLiteral("Type %1").arg(typeCode);
    }
}

int deriveTypeCode(const Variant &gptType, const Variant &mbrType, const Variant &isSystem)
{
    QString guid;
    if (readString(gptType, &guid) && !guid.isEmpty()) {
        guid = guid.trimmed().toLower();
        if (guid.startsWith(QLatin1Char('{')) && guid.endsWith(QLatin1Char('}')))
            guid = guid.mid(1, guid.size() - 2);
        if (guid == QLatin1String("c12a7328-f81f-11d2-ba4b-00a0c93ec93b"))
            return 7;
        if (guid == QLatin1String("e3c9e316-0b5c-4db8-817d-f92df00215ae"))
            return 6;
        if (guid == QLatin1String("de94bba4-06d1-4d40-a16a-bfd50179d6ac"))
            return 5;
        if (guid == QLatin1String("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"))
            return 2;
        return 0;
    }

    int mbr = 0;
    if (read32(mbrType, &mbr) != ReadStatus::Read)
        return 0;
    if (mbr == 0x05 || mbr == 0x0F)
        return 3;
    if (mbr == 0x27)
        return 5;
    if (mbr == 0x12 || mbr == 0xDE) // makers' diagnostics and utility partitions
        return 8;
    if (!isAbsent(isSystem) && isSystem.vt == platform::VT_BOOL && isSystem.integer != 0)
        return 1;
    return 2;
}

} // namespace storage
