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
    // executed it may be executed again on another object (K is taken by then).
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
        auto returnValue = [&call] {
            int rc = -1;
            storage::readUnchecked(call.outputs().property(QStringLiteral("ReturnValue")), &rc);
            return rc;
        };
        QVERIFY(failed(call.fetchMethod(QStringLiteral("AddAccessPath"))));
        QVERIFY(failed(call.spawnInputs()));
        QVERIFY(failed(call.put(QStringLiteral("AccessPath"), Variant::bstr(L"K:"))));
        QVERIFY(failed(call.execute(paths.at(0))));
        QVERIFY(call.outputs().isNull());
        QVERIFY(failed(call.fetchClass(QStringLiteral("MSFT_Nothing"))));

        QCOMPARE(call.fetchClass(QStringLiteral("MSFT_Partition")), hr::Ok);
        QVERIFY(failed(call.fetchMethod(QStringLiteral("Explode"))));
        QCOMPARE(call.fetchMethod(QStringLiteral("AddAccessPath")), hr::Ok);
        QCOMPARE(call.spawnInputs(), hr::Ok);
        QCOMPARE(call.put(QStringLiteral("AccessPath"), Variant::i4(5), CIM_SINT32), hr::WbemTypeMismatch);
        QCOMPARE(call.put(QStringLiteral("Bogus"), Variant::i4(5)), hr::WbemNotFound);
        QCOMPARE(call.put(QStringLiteral("AccessPath"), Variant::bstr(L"K:")), hr::Ok);
        QVERIFY(failed(call.execute(QStringLiteral("\\\\.\\nowhere"))));
        QCOMPARE(call.execute(paths.at(0)), hr::Ok);
        QCOMPARE(returnValue(), 0);
        QCOMPARE(tm.read().disk(0)->partitions.at(0).volume->letter, QStringLiteral("K"));
        QCOMPARE(call.execute(paths.at(1)), hr::Ok);
        QCOMPARE(returnValue(), 42002);

        services.reset();
        locator.reset();
        current().coUninitialize();
    }

    void hresultText() { QCOMPARE(storage::hresultText(hr::False), QStringLiteral("0x00000001")); }
};

QTEST_GUILESS_MAIN(TestWmiAccess)
#include "tst_wmiaccess.moc"
