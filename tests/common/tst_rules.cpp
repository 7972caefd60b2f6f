// The rules that must have one answer wherever they are asked: drive letters and the reserve beside a new partition.
#include "common/creationplan.h"
#include "common/driveletter.h"

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
