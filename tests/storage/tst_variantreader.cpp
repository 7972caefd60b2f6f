#include "storage/providervalues.h"
#include "storage/variantreader.h"
#include "storage/windowsstoragemanager.h"
#include "storage/wmiaccess.h"

#include <QtTest>

using platform::Variant;
using storage::ReadStatus;

Q_DECLARE_METATYPE(platform::Variant)
Q_DECLARE_METATYPE(storage::ReadStatus)

namespace {

Variant make(std::uint16_t vt, std::int64_t integer)
{
    Variant v;
    v.vt = vt;
    v.integer = integer;
    return v;
}

Variant date(double days)
{
    Variant v;
    v.vt = platform::VT_DATE;
    v.real = days;
    return v;
}

constexpr qint64 Sentinel = 77;

} // namespace

class TestVariantReader : public QObject
{
    Q_OBJECT

private slots:
    // Each variant type against every reader. Defaults start at a sentinel so "left alone"
    // and "set to 0" are told apart.
    void numberReaders_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<ReadStatus>("status64");
        QTest::addColumn<qint64>("value64");
        QTest::addColumn<ReadStatus>("status32");
        QTest::addColumn<int>("value32");
        QTest::addColumn<bool>("uncheckedRead");
        QTest::addColumn<int>("unchecked");

        const auto R = ReadStatus::Read;
        const auto U = ReadStatus::UnexpectedType;
        const auto A = ReadStatus::Absent;
        const int S = int(Sentinel);

        QTest::newRow("VT_NULL is absent") << Variant::null() << A << Sentinel << A << S << false << S;
        QTest::newRow("VT_EMPTY is present but unexpected") << Variant() << U << 0LL << U << 0 << true << 0;
        QTest::newRow("VT_I2") << make(platform::VT_I2, -5) << U << 0LL << U << 0 << true << -5;
        QTest::newRow("VT_I4") << Variant::i4(-7) << R << -7LL << R << -7 << true << -7;
        QTest::newRow("VT_I4 uint32 above 2^31 arrives negative")
            << Variant::i4(std::numeric_limits<std::int32_t>::min()) << R << -2147483648LL << R
            << std::numeric_limits<int>::min() << true << std::numeric_limits<int>::min();
        QTest::newRow("VT_UI2") << make(platform::VT_UI2, 65535) << R << 65535LL << R << 65535 << true << 65535;
        QTest::newRow("VT_UI4") << Variant::ui4(4294967295u) << R << 4294967295LL << R << -1 << true << -1;
        QTest::newRow("VT_I8") << Variant::i8(-9000000000000000000LL) << R << -9000000000000000000LL << U << 0
                               << true << int(std::int32_t(-9000000000000000000LL));
        QTest::newRow("VT_UI8") << make(platform::VT_UI8, 5000000000LL) << R << 5000000000LL << U << 0 << true
                                << int(std::int32_t(5000000000LL));
        QTest::newRow("VT_BSTR number") << Variant::bstr(L"1048576") << R << 1048576LL << R << 1048576 << true
                                        << 0;
        QTest::newRow("VT_BSTR beyond int") << Variant::bstr(L"5000000000") << R << 5000000000LL << R << 0 << true
                                            << 0;
        QTest::newRow("VT_BSTR negative") << Variant::bstr(L"-42") << R << -42LL << R << -42 << true << 0;
        QTest::newRow("VT_BSTR not a number") << Variant::bstr(L"abc") << R << 0LL << R << 0 << true << 0;
        QTest::newRow("VT_BSTR trailing junk") << Variant::bstr(L"12abc") << R << 0LL << R << 0 << true << 0;
        QTest::newRow("VT_BSTR hex is not decimal") << Variant::bstr(L"0x10") << R << 0LL << R << 0 << true << 0;
        QTest::newRow("VT_BSTR empty") << Variant::bstr(L"") << R << 0LL << R << 0 << true << 0;
        QTest::newRow("VT_BOOL true") << Variant::boolean(true) << U << 0LL << U << 0 << true << -1;
        QTest::newRow("VT_DATE") << date(45000.5) << U << 0LL << U << 0 << true << 0;
        QTest::newRow("string array") << Variant::bstrArray({L"1", L"2"}) << U << 0LL << U << 0 << true << 0;
        QTest::newRow("integer array") << Variant::intArray(platform::VT_I4, {53264}) << U << 0LL << U << 0 << true
                                       << 0;
    }

    void numberReaders()
    {
        QFETCH(Variant, value);
        QFETCH(ReadStatus, status64);
        QFETCH(qint64, value64);
        QFETCH(ReadStatus, status32);
        QFETCH(int, value32);
        QFETCH(bool, uncheckedRead);
        QFETCH(int, unchecked);

        qint64 out64 = Sentinel;
        QCOMPARE(storage::read64(value, &out64), status64);
        QCOMPARE(out64, value64);

        int out32 = int(Sentinel);
        QCOMPARE(storage::read32(value, &out32), status32);
        QCOMPARE(out32, value32);

        int outUnchecked = int(Sentinel);
        QCOMPARE(storage::readUnchecked(value, &outUnchecked), uncheckedRead);
        QCOMPARE(outUnchecked, unchecked);
    }

    void textReaders()
    {
        const QString keep = QStringLiteral("default");
        const QStringList keepList{QStringLiteral("default")};
        const Variant others[] = {Variant::null(), Variant::i4(3), Variant::boolean(true), date(1.0),
                                  Variant::intArray(platform::VT_I4, {1})};
        for (const Variant &v : others) {
            QString s = keep;
            QStringList l = keepList;
            QVERIFY(!storage::readString(v, &s));
            QVERIFY(!storage::readStringArray(v, &l));
            QCOMPARE(s, keep);
            QCOMPARE(l, keepList);
        }

        QString s = keep;
        QVERIFY(storage::readString(Variant::bstr(L"Data 数据"), &s));
        QCOMPARE(s, QStringLiteral("Data 数据"));
        QStringList l = keepList;
        QVERIFY(!storage::readStringArray(Variant::bstr(L"E:\\"), &l));
        QCOMPARE(l, keepList);

        QVERIFY(storage::readStringArray(Variant::bstrArray({L"E:\\", L"\\\\?\\Volume{1}\\"}), &l));
        QCOMPARE(l, (QStringList{QStringLiteral("E:\\"), QStringLiteral("\\\\?\\Volume{1}\\")}));
        QVERIFY(storage::readStringArray(Variant::bstrArray({}), &l));
        QVERIFY(l.isEmpty());
        QVERIFY(!storage::readString(Variant::bstrArray({L"x"}), &s));
    }

    void diskStatus_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<QString>("text");
        using platform::VT_I2;
        using platform::VT_I4;
        using platform::VT_UI2;
        QTest::newRow("text as it is") << Variant::bstr(L"Online") << QStringLiteral("Online");
        QTest::newRow("online") << Variant::intArray(VT_I4, {0xD010}) << QStringLiteral("Online");
        QTest::newRow("offline") << Variant::intArray(VT_I4, {0xD013}) << QStringLiteral("Offline");
        QTest::newRow("no media") << Variant::intArray(VT_I4, {0xD012}) << QStringLiteral("No Media");
        QTest::newRow("not ready") << Variant::intArray(VT_I4, {0xD011}) << QStringLiteral("Not Ready");
        QTest::newRow("failed") << Variant::intArray(VT_I4, {0xD014}) << QStringLiteral("Failed");
        QTest::newRow("degraded") << Variant::intArray(VT_I4, {3}) << QStringLiteral("Degraded");
        QTest::newRow("several codes") << Variant::intArray(VT_I4, {2, 0xD010}) << QStringLiteral("OK, Online");
        QTest::newRow("repeated code") << Variant::intArray(VT_I4, {0xD010, 0xD010}) << QStringLiteral("Online");
        QTest::newRow("uint16 as VT_UI2") << Variant::intArray(VT_UI2, {0xD013}) << QStringLiteral("Offline");
        QTest::newRow("uint16 sign-extended") << Variant::intArray(VT_I2, {-12272}) << QStringLiteral("Online");
        QTest::newRow("one code, not an array") << Variant::i4(0xD013) << QStringLiteral("Offline");
        QTest::newRow("unknown code skipped") << Variant::intArray(VT_I4, {999, 0xD010}) << QStringLiteral("Online");
        QTest::newRow("nothing readable") << Variant::intArray(VT_I4, {999}) << QStringLiteral("Unknown");
        QTest::newRow("empty array") << Variant::intArray(VT_I4, {}) << QStringLiteral("Unknown");
        QTest::newRow("boolean") << Variant::boolean(true) << QStringLiteral("Unknown");
        QTest::newRow("date") << date(2.0) << QStringLiteral("Unknown");
    }

    void diskStatus()
    {
        QFETCH(Variant, value);
        QFETCH(QString, text);
        QCOMPARE(storage::diskStatusText(value), text);
    }

    void derivedTypeCode_data()
    {
        QTest::addColumn<Variant>("gptType");
        QTest::addColumn<Variant>("mbrType");
        QTest::addColumn<Variant>("isSystem");
        QTest::addColumn<int>("code");
        const Variant none = Variant::null();
        const Variant yes = Variant::boolean(true);
        const Variant no = Variant::boolean(false);
        QTest::newRow("EFI") << Variant::bstr(L"{c12a7328-f81f-11d2-ba4b-00a0c93ec93b}") << none << yes << 7;
        QTest::newRow("EFI upper case, no braces") << Variant::bstr(L"C12A7328-F81F-11D2-BA4B-00A0C93EC93B") << none
                                                   << no << 7;
        QTest::newRow("MSR") << Variant::bstr(L"{e3c9e316-0b5c-4db8-817d-f92df00215ae}") << none << no << 6;
        QTest::newRow("recovery") << Variant::bstr(L"{de94bba4-06d1-4d40-a16a-bfd50179d6ac}") << none << no << 5;
        QTest::newRow("basic data") << Variant::bstr(L"{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}") << none << no << 2;
        QTest::newRow("unknown GUID") << Variant::bstr(L"{0fc63daf-8483-4772-8e79-3d69d8477de4}") << none << no << 0;
        QTest::newRow("GPT wins over a stray MbrType")
            << Variant::bstr(L"{e3c9e316-0b5c-4db8-817d-f92df00215ae}") << Variant::i4(7) << no << 6;
        QTest::newRow("MBR NTFS") << none << Variant::i4(7) << no << 2;
        QTest::newRow("MBR active system") << none << Variant::i4(7) << yes << 1;
        QTest::newRow("MBR extended") << none << Variant::i4(5) << no << 3;
        QTest::newRow("MBR extended LBA") << none << Variant::i4(0x0F) << no << 3;
        QTest::newRow("MBR recovery") << none << Variant::i4(0x27) << yes << 5;
        QTest::newRow("MBR FAT32 as VT_UI2") << none << make(platform::VT_UI2, 0x0C) << no << 2;
        QTest::newRow("empty GptType on MBR") << Variant::bstr(L"") << Variant::i4(7) << no << 2;
        QTest::newRow("nothing delivered") << none << none << yes << 0;
    }

    void derivedTypeCode()
    {
        QFETCH(Variant, gptType);
        QFETCH(Variant, mbrType);
        QFETCH(Variant, isSystem);
        QFETCH(int, code);
        QCOMPARE(storage::deriveTypeCode(gptType, mbrType, isSystem), code);
    }

    void texts()
    {
        QCOMPARE(storage::partitionTypeName(0), QStringLiteral("Type 0"));
        QCOMPARE(storage::partitionTypeName(12), QStringLiteral("Type 12"));

        QCOMPARE(WindowsStorageManager::returnCodeText(0), QStringLiteral("Success"));
        QCOMPARE(WindowsStorageManager::returnCodeText(41003), QStringLiteral("The disk has insufficient free space"));
        QCOMPARE(WindowsStorageManager::returnCodeText(40005),
                 QStringLiteral("The storage pool could not complete the operation because its health or operational "
                                "status does not permit it"));
        QCOMPARE(WindowsStorageManager::returnCodeText(42005), QStringLiteral("The volume's file system is dirty"));
        QCOMPARE(WindowsStorageManager::returnCodeText(43002), QStringLiteral("Drive letter not available"));
        QCOMPARE(WindowsStorageManager::returnCodeText(41009), QStringLiteral("Unknown error code: 41009"));
        QCOMPARE(WindowsStorageManager::returnCodeText(-1), QStringLiteral("Unknown error code: -1"));
        QCOMPARE(WindowsStorageManager::returnCodeText(6), QStringLiteral("Unknown error code: 6"));

        QCOMPARE(storage::hresultText(platform::hr::WbemAccessDenied), QStringLiteral("0x80041003"));
        QCOMPARE(storage::hresultText(platform::hr::WbemInvalidMethod), QStringLiteral("0x8004102E"));
        QCOMPARE(storage::hresultText(platform::hr::False), QStringLiteral("0x00000001"));
    }
};

QTEST_GUILESS_MAIN(TestVariantReader)
#include "tst_variantreader.moc"
