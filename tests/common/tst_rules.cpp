// The rules that must have one answer wherever they are asked: drive letters, volume labels, the creation reserve.
#include "common/creationplan.h"
#include "common/driveletter.h"
#include "common/volumelabel.h"

#include <QtTest>

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    // Only ASCII A-Z names a drive, either case, edges included; no full-width or accented letter reaches a script.
    void driveLetters()
    {
        const struct { QString given; const char *letter; bool driveText; } cases[] = {
            {"e", "E", false}, {"E:", "E", true}, {"a", "A", false}, {"A:", "A", true}, {"Z:", "Z", true}, {"z:\\", "Z", false},
            {" d: ", "D", false}, {"", "", false}, {"1", "", false}, {"@", "", false}, {"[", "", false}, {"`", "", false},
            {"{", "", false}, {"Ä", "", false}, {"Ä:", "", false}, {QString(QChar(0xFF25)) + ':', "", false}, // full-width E
            {"EF", "", false}, {"E::", "", false}, {":", "", false}, {"1:", "", false}, {"E:\\x", "", false},
        };
        for (const auto &c : cases) {
            const QChar letter = driveletter::parse(c.given);
            QCOMPARE(letter.isNull() ? QString() : QString(letter), QString::fromLatin1(c.letter));
            QCOMPARE(driveletter::isDriveText(c.given), c.driveText);
        }
        QCOMPARE(driveletter::drive(QLatin1Char('k')), "K:");
        QCOMPARE(driveletter::root(QLatin1Char('k')), "K:\\");
        QCOMPARE(driveletter::drive(QChar(0xC4)), QString());
        QCOMPARE(driveletter::root(QChar()), QString());

        PartitionInfo info;
        QCOMPARE(driveletter::driveOf(info), QString());
        info.driveLetters = {QStringLiteral("F:")};
        QCOMPARE(driveletter::driveOf(info), "F:");
        info.driveLetter = QStringLiteral("g");
        QCOMPARE(driveletter::driveOf(info), "G:"); // the record's own letter wins
    }

    // Per file system: what is dropped, the case, the length, and the name an empty label gets.
    void labels()
    {
        const struct { const char *fs; QString label, expected; } cases[] = {
            {"FAT32", "my data.v1", "MY_DATAV1"}, {"fat32", "a\\b", "AB"}, {"FAT", "/:*?<>|\".", "NEW_VOLUME"},
            {"FAT16", "abcdefghijkl", "ABCDEFGHIJK"}, {"NTFS", "", "New Volume"}, {"NTFS", "a.b c", "a.b c"},
            {"exFAT", "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO"}, {"ReFS", QString(33, u'r'), QString(32, u'r')},
            {"NTFS", "a\r\nformat fs=fat32\x7f\tb", "aformat fs=fat32b"}, {"FAT32", "\n\x01", "NEW_VOLUME"},
            {"NTFS", "My \"Q\" & Co", "My Q & Co"}, {" ntfs ", "a<b>c", "abc"},
            {"exFAT", QString("😀").repeated(10), QString("😀").repeated(7)}, // never half an emoji
        };
        for (const auto &c : cases)
            QCOMPARE(volumelabel::forFileSystem(c.fs, c.label), c.expected);

        // Scripts that must stay ASCII get a name shaped for the file system instead.
        QCOMPARE(volumelabel::forFileSystemAscii("NTFS", "数据"), "NewVolume");
        QCOMPARE(volumelabel::forFileSystemAscii("FAT32", "数据"), "NEWVOLUME");
        QCOMPARE(volumelabel::forFileSystemAscii("NTFS", "Data ~1"), "Data ~1");
    }

    // The space kept free beside a new partition: by the free space when it is known, by the
    // disk's size class at each boundary when the free space had to be estimated. And a full table.
    void creationReserve()
    {
        constexpr qint64 M = 1024 * 1024, G = 1024 * M;
        const struct { qint64 free, disk, reserve; } cases[] = {
            {300 * G, 0, 100 * M},           {10 * G, 32 * G - 1, 50 * M},      {10 * G, 32 * G, 100 * M},
            {40 * G, 499 * G, 40 * G / 200}, {40 * G, 500 * G - 1, 40 * G / 200}, {40 * G, 500 * G, 500 * M},
            {100 * G, 2000 * G, G},
        };
        for (const auto &c : cases)
            QCOMPARE(creationplan::reserveFor(c.free, c.disk), c.reserve);
        // A full GPT table names its size (the MBR wording is checked with the dialog).
        creationplan::Region full;
        full.partitionStyle = 2;
        full.freeTableEntries = 0;
        QCOMPARE(creationplan::tableRefusal(full, 1), "The partition table of this disk is full (128 partitions).");
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
