#include "support/testmachine.h"

#include "storage/variantreader.h"
#include "storage/wmiaccess.h"

#include <QtTest>

using namespace platform;
using storage::WmiMethodCall;
using storage::WmiObject;

class TestWmiAccess : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<WbemLocator> m_locator;
    std::unique_ptr<WbemServices> m_services;

    QString pathOf(int disk, int number)
    {
        QString path;
        storage::runQuery(*m_services,
                          QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
                              .arg(disk)
                              .arg(number),
                          [&](const WmiObject &o) {
                              storage::readString(o.property(QStringLiteral("__PATH")), &path);
                              return false;
                          });
        return path;
    }

private slots:
    void init()
    {
        m_machine = std::make_unique<TestMachine>();
        m_machine->addDisk(0, 4 * sim::kGiB);
        for (int i = 0; i < 3; ++i)
            m_machine->addPartition(0, sim::kMiB + i * sim::kGiB, sim::kGiB, QStringLiteral("Primary"),
                                    TestMachine::Vol{QStringLiteral("NTFS"), QString(), QString()});
        QVERIFY(m_machine->write());
        QVERIFY(succeeded(current().coInitializeEx(COINIT_MULTITHREADED)));
        QVERIFY(succeeded(current().createWbemLocator(m_locator)));
        QVERIFY(succeeded(m_locator->connectServer(L"ROOT\\Microsoft\\Windows\\Storage", m_services)));
    }

    void cleanup()
    {
        m_services.reset();
        m_locator.reset();
        current().coUninitialize();
        m_machine.reset();
    }

    void queryWalksUntilToldToStop()
    {
        QList<int> numbers;
        auto collect = [&](const WmiObject &o) {
            int n = -1;
            storage::readUnchecked(o.property(QStringLiteral("PartitionNumber")), &n);
            numbers << n;
            return numbers.size() < 2;
        };
        QCOMPARE(storage::runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Partition"), collect), hr::Ok);
        QCOMPARE(numbers, (QList<int>{1, 2}));

        // A property the object lacks reads as absent; a failed query returns its own code.
        bool absent = false;
        storage::runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Disk"), [&](const WmiObject &o) {
            absent = storage::isAbsent(o.property(QStringLiteral("NoSuchProperty")));
            return true;
        });
        QVERIFY(absent);
        int visits = 0;
        QCOMPARE(storage::runQuery(*m_services, QStringLiteral("SELECT * FROM NoSuchClass"),
                                   [&](const WmiObject &) { return ++visits, true; }),
                 hr::WbemInvalidClass);
        QCOMPARE(visits, 0);
    }

    void methodCallHasItsEffect()
    {
        WmiMethodCall call(*m_services);
        QCOMPARE(call.fetchClass(QStringLiteral("MSFT_Partition")), hr::Ok);
        QCOMPARE(call.fetchMethod(QStringLiteral("AddAccessPath")), hr::Ok);
        QCOMPARE(call.spawnInputs(), hr::Ok);
        QCOMPARE(call.put(QStringLiteral("AccessPath"), Variant::bstr(L"K:")), hr::Ok);
        QCOMPARE(call.execute(pathOf(0, 2)), hr::Ok);
        QVERIFY(!call.outputs().isNull());
        int rc = -1;
        QVERIFY(storage::readUnchecked(call.outputs().property(QStringLiteral("ReturnValue")), &rc));
        QCOMPARE(rc, 0);
        QCOMPARE(m_machine->read().disk(0)->partitions.at(1).volume->letter, QStringLiteral("K"));

        // The same call object may be executed again on another partition: K is taken now.
        QCOMPARE(call.execute(pathOf(0, 3)), hr::Ok);
        storage::readUnchecked(call.outputs().property(QStringLiteral("ReturnValue")), &rc);
        QCOMPARE(rc, 42002);
    }

    void methodCallStepsFail()
    {
        WmiMethodCall call(*m_services);
        // Nothing can be done before the class and the method are known.
        QVERIFY(failed(call.fetchMethod(QStringLiteral("Resize"))));
        QVERIFY(failed(call.spawnInputs()));
        QVERIFY(failed(call.put(QStringLiteral("Size"), Variant::i8(1))));
        QVERIFY(failed(call.execute(pathOf(0, 1))));
        QVERIFY(call.outputs().isNull());

        QVERIFY(failed(call.fetchClass(QStringLiteral("MSFT_Nothing"))));
        QCOMPARE(call.fetchClass(QStringLiteral("MSFT_Partition")), hr::Ok);
        QVERIFY(failed(call.fetchMethod(QStringLiteral("Explode"))));
        QCOMPARE(call.fetchMethod(QStringLiteral("Resize")), hr::Ok);
        QCOMPARE(call.spawnInputs(), hr::Ok);
        QCOMPARE(call.put(QStringLiteral("Size"), Variant::i4(5), CIM_SINT32), hr::WbemTypeMismatch);
        QCOMPARE(call.put(QStringLiteral("Bogus"), Variant::i4(5)), hr::WbemNotFound);
        QVERIFY(failed(call.execute(QStringLiteral("\\\\.\\nowhere"))));
    }
};

QTEST_GUILESS_MAIN(TestWmiAccess)
#include "tst_wmiaccess.moc"
