#include "support/testmachine.h"

#include "storage/variantreader.h"
#include "storage/wmiaccess.h"

#include <QtTest>

using namespace platform;

class TestWmiAccess : public QObject
{
    Q_OBJECT

private slots:
    // One call object, step by step: nothing works before class and method are known; once
    // executed it may be executed again on another object. What the provider answers to the
    // methods themselves is the simulator's own test.
    void methodCall()
    {
        TestMachine tm;
        tm.addDisk(0, 4 * sim::kGiB);
        for (int i = 0; i < 2; ++i)
            tm.addPartition(0, sim::kMiB + i * sim::kGiB, sim::kGiB, "Primary", TestMachine::Vol{"NTFS"});
        QVERIFY(tm.write());
        QVERIFY(succeeded(current().coInitializeEx(COINIT_MULTITHREADED)));
        std::unique_ptr<WbemLocator> locator;
        std::unique_ptr<WbemServices> services;
        QVERIFY(succeeded(current().createWbemLocator(locator)));
        QVERIFY(succeeded(locator->connectServer(L"ROOT\\Microsoft\\Windows\\Storage", services)));
        QStringList paths;
        QCOMPARE(storage::runQuery(*services, QStringLiteral("SELECT * FROM MSFT_Partition"),
                                   [&](const storage::WmiObject &o) {
                                       storage::readString(o.property(QStringLiteral("__PATH")), &paths.emplaceBack());
                                       return true;
                                   }),
                 hr::Ok);
        QCOMPARE(paths.size(), 2);

        storage::WmiMethodCall call(*services);
        const Variant letter = Variant::bstr(L"K:");
        QList<HResult> early{call.fetchMethod(QStringLiteral("AddAccessPath")), call.spawnInputs(),
                             call.put(QStringLiteral("AccessPath"), letter), call.execute(paths.at(0)),
                             call.fetchClass(QStringLiteral("MSFT_Nothing"))};
        QVERIFY(call.outputs().isNull());
        QCOMPARE(call.fetchClass(QStringLiteral("MSFT_Partition")), hr::Ok);
        early << call.fetchMethod(QStringLiteral("Explode"));
        QVERIFY(std::all_of(early.cbegin(), early.cend(), [](HResult h) { return failed(h); }));

        QCOMPARE(call.fetchMethod(QStringLiteral("AddAccessPath")), hr::Ok);
        QCOMPARE(call.spawnInputs(), hr::Ok);
        QCOMPARE(call.put(QStringLiteral("AccessPath"), letter), hr::Ok);
        for (const QString &path : paths) {
            QCOMPARE(call.execute(path), hr::Ok);
            QVERIFY(!call.outputs().isNull());
        }
        QCOMPARE(tm.read().disk(0)->partitions.at(0).volume->letter, QStringLiteral("K"));
        QCOMPARE(storage::hresultText(hr::False), QStringLiteral("0x00000001"));

        services.reset();
        locator.reset();
        current().coUninitialize();
    }
};

QTEST_GUILESS_MAIN(TestWmiAccess)
#include "tst_wmiaccess.moc"
