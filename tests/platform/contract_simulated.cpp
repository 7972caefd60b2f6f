// The platform contract against the simulated machine, with a machine of its own.

#include "contract.h"

#include "platform/privatefile.h"
#include "platform/simulated/simulatedplatform.h"
#include "support/testmachine.h"

#include <QCoreApplication>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <thread>

bool contract::exists(const std::string &path)
{
    return QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(path)));
}

bool contract::makeFolder(const std::string &path) { return QDir().mkdir(QFile::decodeName(QByteArray::fromStdString(path))); }

bool contract::removeFolder(const std::string &path) { return QDir().rmdir(QFile::decodeName(QByteArray::fromStdString(path))); }

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--hang") == 0) { // the child of the time-out case
        std::this_thread::sleep_for(std::chrono::seconds(120));
        return 0;
    }
    QCoreApplication app(argc, argv);

    TestMachine tm;
    tm.setTimeScale(0.5);
    tm.setWindowsVersion(QStringLiteral("6.3"));
    tm.setAdministrator(false);
    tm.addDisk(0, 64 * sim::kGiB, QStringLiteral("GPT"));
    tm.addPartition(0, sim::kMiB, 8 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E"), sim::kGiB));
    tm.addOtherDrive(QStringLiteral("H"), 5); // a CD drive without media
    tm.write();
    platform::simulated::resetProcessSecurity();

    const std::wstring bin = qEnvironmentVariable("TESSALINE_BIN_DIR").toStdWString();
    contract::Profile profile;
    profile.name = "simulated machine";
    profile.storageClasses = true;
    contract::SignatureCase resize{L"ROOT\\Microsoft\\Windows\\Storage", L"MSFT_Partition", L"Resize", L"Size",
                                   platform::Variant::bstr(L"1048576"), platform::CIM_UINT64,
                                   platform::Variant::bstr(L"1048576")};
    profile.signatures = {resize};
    profile.labelledRoot = L"E:\\";
    profile.diskpartPath = bin + L"/diskpart";
    profile.cmdPath = bin + L"/cmd";
    profile.fat32formatPath = bin + L"/fat32format.exe";
    profile.fsutilPath = bin + L"/fsutil";
    profile.splitCommandLine = platform::simulated::splitCommandLine;
    QTemporaryDir temp;
    profile.tempFolder = QFile::encodeName(temp.path()).toStdString();
    profile.hangingCommand = L"\"" + QCoreApplication::applicationFilePath().toStdWString() + L"\" --hang";
    profile.version = platform::WindowsVersion{6, 3};
    profile.administrator = false;
    profile.timeScale = 0.5;

    contract::Harness h;
    contract::run(platform::current(), profile, h);
    h.group("private script files: modes and links", [&] {
        std::uint32_t error = 0;
        std::unique_ptr<platform::PrivateFile> f = platform::PrivateFile::create(profile.tempFolder, "modes", error);
        if (!CHECK(h, f))
            return;
        struct stat file {}, folder {};
        CHECK(h, ::stat(f->path().c_str(), &file) == 0 && (file.st_mode & 0777) == 0600);
        CHECK(h, ::stat(QFileInfo(QString::fromStdString(f->path())).path().toUtf8().constData(), &folder) == 0
                     && (folder.st_mode & 0777) == 0700);
        // A link where the file would go is neither followed nor replaced.
        const QString target = temp.filePath(QStringLiteral("target")), link = temp.filePath(QStringLiteral("link"));
        QFile t(target);
        CHECK(h, t.open(QIODevice::WriteOnly) && t.write("mine") == 4);
        t.close();
        CHECK(h, QFile::link(target, link));
        CHECK(h, !platform::PrivateFile::createAt(link.toStdString(), error));
        CHECK(h, QFile::link(temp.filePath(QStringLiteral("nowhere")), temp.filePath(QStringLiteral("dangling"))));
        CHECK(h, !platform::PrivateFile::createAt(temp.filePath(QStringLiteral("dangling")).toStdString(), error));
        CHECK(h, !QFile::exists(temp.filePath(QStringLiteral("nowhere"))));
        CHECK(h, t.open(QIODevice::ReadOnly) && t.readAll() == "mine");
    });
    // How the resize job finds the file system of a partition without a letter.
    h.group("a volume by its GUID path", [&] {
        const std::wstring path = L"\\\\?\\Volume{" + tm.read().disks.at(0).partitions.at(0).volume->guid.toStdWString() + L"}\\";
        std::wstring name, fs;
        CHECK(h, platform::current().getVolumeInformation(path, &name, 261, nullptr, &fs, 261) && name == L"Data" && fs == L"NTFS");
    });
    return h.finish();
}
