#include "storage/providervalues.h"
#include "storage/variantreader.h"

#include <QtTest>

using platform::Variant;

namespace {

// What read64, read32 and readUnchecked make of a value: "R" read, "U" unexpected type, "A"
// absent, each with its output. Outputs start at 77 so "left alone" and "set to 0" differ.
QString readAll(const Variant &v)
{
    const char *const status = "ARU";
    qint64 wide = 77;
    int narrow = 77, unchecked = 77;
    const int s64 = int(storage::read64(v, &wide)), s32 = int(storage::read32(v, &narrow));
    const bool read = storage::readUnchecked(v, &unchecked);
    return QStringLiteral("%1 %2 | %3 %4 | %5 %6").arg(QChar(status[s64])).arg(wide).arg(QChar(status[s32])).arg(narrow)
        .arg(QLatin1Char(read ? 'R' : 'A')).arg(unchecked);
}

} // namespace

class TestVariantReader : public QObject
{
    Q_OBJECT

private slots:
    void numberReaders()
    {
        static_assert(int(storage::ReadStatus::Absent) == 0 && int(storage::ReadStatus::UnexpectedType) == 2);
        const auto make = [](std::uint16_t vt, std::int64_t integer) { Variant v; v.vt = vt; v.integer = integer; return v; };
        const QList<QPair<Variant, QString>> cases{
            {Variant::null(), "A 77 | A 77 | A 77"},
            {Variant(), "U 0 | U 0 | R 0"}, // VT_EMPTY is present
            {make(platform::VT_I2, -5), "U 0 | U 0 | R -5"},
            {Variant::i4(-7), "R -7 | R -7 | R -7"},
            {make(platform::VT_UI2, 65535), "R 65535 | R 65535 | R 65535"},
            {Variant::ui4(4294967295u), "R 4294967295 | R -1 | R -1"},
            {make(platform::VT_UI8, 5000000000LL), "R 5000000000 | U 0 | R 705032704"},
            {Variant::bstr(L"-1048576"), "R -1048576 | R -1048576 | R 0"},
            {Variant::bstr(L"5000000000"), "R 5000000000 | R 0 | R 0"},
            {Variant::bstr(L"12abc"), "R 0 | R 0 | R 0"},
            {Variant::boolean(true), "U 0 | U 0 | R -1"},
            {make(platform::VT_DATE, 0), "U 0 | U 0 | R 0"},
            {Variant::intArray(platform::VT_I4, {53264}), "U 0 | U 0 | R 0"},
        };
        QStringList got, want;
        for (const auto &[value, expected] : cases)
            got << readAll(value), want << expected;
        QCOMPARE(got, want);
    }

    // Text readers take exactly their own type and otherwise keep the caller's default.
    void textReaders()
    {
        QString s = QStringLiteral("default");
        QStringList l{s};
        QVERIFY(!storage::readString(Variant::null(), &s) && !storage::readString(Variant::i4(3), &s)
                && !storage::readString(Variant::bstrArray({L"x"}), &s)
                && !storage::readStringArray(Variant::bstr(L"E:\\"), &l)
                && !storage::readStringArray(Variant::intArray(platform::VT_I4, {1}), &l));
        QCOMPARE(s + u'|' + l.join(u','), QStringLiteral("default|default"));
        QVERIFY(storage::readString(Variant::bstr(L"Data 数据"), &s));
        QVERIFY(storage::readStringArray(Variant::bstrArray({L"E:\\", L"\\\\?\\Volume{1}\\"}), &l));
        QCOMPARE(s + u'|' + l.join(u','), QStringLiteral("Data 数据|E:\\,\\\\?\\Volume{1}\\"));
    }

    // Windows delivers OperationalStatus as an array of uint16 codes, not as text, and no Type
    // property for a partition: the code comes from what it does deliver. The enumeration test
    // reads the common types end to end; these are the edges.
    void providerValues()
    {
        using platform::VT_I4;
        QStringList got;
        for (const Variant &status : {Variant::bstr(L"Online"), Variant::intArray(VT_I4, {2, 0xD012, 2}),
                                      Variant::intArray(platform::VT_I2, {-12272}), // 0xD010 sign-extended
                                      Variant::i4(0xD013), Variant::intArray(VT_I4, {999, 3}),
                                      Variant::intArray(VT_I4, {999}), Variant::boolean(true)})
            got << storage::diskStatusText(status);
        QCOMPARE(got.join(u'|'), "Online|OK, No Media|Online|Offline|Degraded|Unknown|Unknown");

        const Variant none = Variant::null(), yes = Variant::boolean(true), no = Variant::boolean(false);
        const Variant derived[][3] = {
            {Variant::bstr(L"C12A7328-F81F-11D2-BA4B-00A0C93EC93B"), none, yes},
            {Variant::bstr(L"{e3c9e316-0b5c-4db8-817d-f92df00215ae}"), Variant::i4(7), no}, // GPT wins
            {Variant::bstr(L"{0fc63daf-8483-4772-8e79-3d69d8477de4}"), none, no},
            {Variant::bstr(L""), Variant::i4(7), no},
            {none, Variant::i4(0x05), no},
            {none, Variant::i4(0x27), yes},
            {none, none, yes},
        };
        QList<int> codes;
        for (const auto &[gpt, mbr, system] : derived)
            codes << storage::deriveTypeCode(gpt, mbr, system);
        QCOMPARE(codes, (QList<int>{7, 6, 0, 2, 3, 5, 0}));
    }
};

QTEST_GUILESS_MAIN(TestVariantReader)
#include "tst_variantreader.moc"
