// tessaline-sim: look at and drive the simulated Windows storage machine from a shell.
//
//   tessaline-sim reset [--demo|--empty]
//   tessaline-sim show
//   tessaline-sim path
//   tessaline-sim query NAMESPACE "WQL"
//   tessaline-sim call NAMESPACE OBJECTPATH METHOD [Name=value ...]
//
// It works on the machine the app would use: TESSALINE_SIM_MACHINE or the default file.

#include "common/sizetext.h"
#include "platform/platform.h"
#include "platform/simulated/simulatedplatform.h"
#include "simulator/geometry.h"
#include "simulator/machine.h"
#include "simulator/wbemobject.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

QString hex(platform::HResult hr)
{
    return QStringLiteral("0x") + QString::number(quint32(hr), 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

int fail(const QString &what, platform::HResult hr)
{
    err() << "tessaline-sim: " << what << " (HRESULT " << hex(hr) << ")" << Qt::endl;
    return 1;
}

int usage()
{
    err() << "usage: tessaline-sim reset [--demo|--empty]\n"
             "       tessaline-sim show\n"
             "       tessaline-sim path\n"
             "       tessaline-sim query NAMESPACE \"WQL\"\n"
             "       tessaline-sim call NAMESPACE OBJECTPATH METHOD [Name=value ...]"
          << Qt::endl;
    return 2;
}

QJsonObject objectToJson(const platform::WbemObject &o);

QJsonValue valueToJson(const platform::Variant &v)
{
    using namespace platform;
    if (v.isArray()) {
        QJsonArray a;
        if ((v.vt & ~VT_ARRAY) == VT_BSTR)
            for (const std::wstring &t : v.texts)
                a.append(QString::fromStdWString(t));
        else
            for (std::int64_t i : v.integers)
                a.append(qint64(i));
        return a;
    }
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return QJsonValue(QJsonValue::Null);
    case VT_BSTR: return QString::fromStdWString(v.text);
    case VT_BOOL: return v.integer != 0;
    case VT_R8:
    case VT_DATE: return v.real;
    case VT_UNKNOWN: return v.object ? QJsonValue(objectToJson(*v.object)) : QJsonValue(QJsonValue::Null);
    default: return qint64(v.integer);
    }
}

QJsonObject objectToJson(const platform::WbemObject &o)
{
    QJsonObject json;
    for (const std::wstring &name : o.propertyNames()) {
        platform::Variant v;
        if (platform::failed(o.get(name, v)))
            continue;
        QJsonObject prop;
        prop.insert(QStringLiteral("vt"), int(v.vt));
        prop.insert(QStringLiteral("value"), valueToJson(v));
        json.insert(QString::fromStdWString(name), prop);
    }
    return json;
}

void print(const QJsonDocument &doc)
{
    out() << doc.toJson(QJsonDocument::Indented);
    out().flush();
}

// COM, locator and services, as the app sets them up.
platform::HResult connect(const QString &ns, std::unique_ptr<platform::WbemServices> &services)
{
    platform::Platform &p = platform::current();
    const platform::HResult init = p.coInitializeEx(platform::COINIT_MULTITHREADED);
    if (platform::failed(init) && init != platform::hr::RpcChangedMode)
        return init;
    std::unique_ptr<platform::WbemLocator> locator;
    platform::HResult hr = p.createWbemLocator(locator);
    if (platform::failed(hr))
        return hr;
    return locator->connectServer(ns.toStdWString(), services);
}

int query(const QString &ns, const QString &wql)
{
    std::unique_ptr<platform::WbemServices> services;
    platform::HResult hr = connect(ns, services);
    if (platform::failed(hr))
        return fail(QStringLiteral("cannot connect to %1").arg(ns), hr);
    std::unique_ptr<platform::WbemEnumerator> objects;
    hr = services->execQuery(L"WQL", wql.toStdWString(),
                             platform::WBEM_FLAG_FORWARD_ONLY | platform::WBEM_FLAG_RETURN_IMMEDIATELY, objects);
    if (platform::failed(hr))
        return fail(QStringLiteral("query failed: %1").arg(wql), hr);
    QJsonArray all;
    std::shared_ptr<platform::WbemObject> o;
    while (objects->next(platform::WBEM_INFINITE, o) == platform::hr::Ok && o)
        all.append(objectToJson(*o));
    print(QJsonDocument(all));
    return 0;
}

// A digit string becomes a number of the parameter's declared type, true/false a Boolean,
// anything else text.
platform::HResult putArgument(platform::WbemObject &in, const QString &name, const QString &text)
{
    platform::Variant v;
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    if (digits.match(text).hasMatch()) {
        const auto *typed = dynamic_cast<const sim::SimObject *>(&in);
        const std::int32_t cim = typed ? typed->cimTypeOf(name) : platform::CIM_UINT64;
        platform::Variant number;
        number.vt = platform::VT_I8;
        bool ok = false;
        number.integer = text.toLongLong(&ok);
        if (!ok)
            return platform::hr::WbemTypeMismatch;
        if (platform::failed(sim::SimObject::convert(cim, number, &v)))
            v = number; // let put() report the mismatch
    } else if (text == QLatin1String("true") || text == QLatin1String("false")) {
        v = platform::Variant::boolean(text == QLatin1String("true"));
    } else {
        v = platform::Variant::bstr(text.toStdWString());
    }
    return in.put(name.toStdWString(), v, 0);
}

int call(const QString &ns, const QString &path, const QString &method, const QStringList &arguments)
{
    std::unique_ptr<platform::WbemServices> services;
    platform::HResult hr = connect(ns, services);
    if (platform::failed(hr))
        return fail(QStringLiteral("cannot connect to %1").arg(ns), hr);
    // The class is the part of the path between the namespace and the key.
    QString rel = path;
    const int colon = rel.indexOf(QLatin1Char(':'));
    const int dot = rel.indexOf(QLatin1Char('.'));
    if (colon >= 0 && (dot < 0 || colon < dot))
        rel = rel.mid(colon + 1);
    const QString className = rel.section(QLatin1Char('.'), 0, 0);
    std::shared_ptr<platform::WbemObject> cls;
    hr = services->getObject(className.toStdWString(), cls);
    if (platform::failed(hr))
        return fail(QStringLiteral("no class %1").arg(className), hr);
    std::shared_ptr<platform::WbemObject> inSig, outSig, in;
    hr = cls->getMethod(method.toStdWString(), inSig, outSig);
    if (platform::failed(hr))
        return fail(QStringLiteral("no method %1.%2").arg(className, method), platform::hr::WbemInvalidMethod);
    if (inSig) {
        hr = inSig->spawnInstance(in);
        if (platform::failed(hr))
            return fail(QStringLiteral("cannot make the input parameters"), hr);
    }
    for (const QString &a : arguments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            err() << "tessaline-sim: arguments are Name=value, not " << a << Qt::endl;
            return 2;
        }
        if (!in)
            return fail(QStringLiteral("%1 takes no parameters").arg(method), platform::hr::WbemInvalidMethodParameters);
        hr = putArgument(*in, a.left(eq), a.mid(eq + 1));
        if (platform::failed(hr))
            return fail(QStringLiteral("cannot set %1").arg(a.left(eq)), hr);
    }
    std::shared_ptr<platform::WbemObject> outParams;
    hr = services->execMethod(path.toStdWString(), method.toStdWString(), 0, in.get(), outParams);
    if (platform::failed(hr))
        return fail(QStringLiteral("%1 on %2 failed").arg(method, path), hr);
    print(QJsonDocument(outParams ? objectToJson(*outParams) : QJsonObject()));
    return 0;
}

QString sizeText(qint64 bytes) { return formatSize(bytes); }

int show()
{
    sim::MachineStore store;
    sim::Machine m;
    QString error;
    if (!store.read(&m, &error)) {
        err() << "tessaline-sim: " << error << Qt::endl;
        return 1;
    }
    QTextStream &o = out();
    o << "Machine: " << store.path() << "\n";
    o << "Windows " << m.windowsVersion << ", " << (m.administrator ? "administrator" : "not an administrator")
      << ", " << m.displayLanguage << ", time scale " << m.timeScale
      << (m.partitionTypeProperty ? ", MSFT_Partition.Type on" : "") << "\n";
    for (const sim::Disk &d : m.disks) {
        o << "\nDisk " << d.number << "  " << d.friendlyName << "  " << d.partitionStyle << "  " << sizeText(d.size)
          << "  " << d.operationalStatus << (d.readOnly ? ", read-only" : "") << (d.removable ? ", removable" : "")
          << "\n";
        o << QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                 .arg(QStringLiteral("#"), 3)
                 .arg(QStringLiteral("Offset"), -16)
                 .arg(QStringLiteral("Size"), -12)
                 .arg(QStringLiteral("Type"), -9)
                 .arg(QStringLiteral("FS"), -6)
                 .arg(QStringLiteral("Ltr"), -3)
                 .arg(QStringLiteral("Label"), -12)
                 .arg(QStringLiteral("Serial"), -9)
                 .arg(QStringLiteral("Used"));
        QList<sim::geometry::Extent> gaps = sim::geometry::freeExtents(d);
        auto printGap = [&](const sim::geometry::Extent &g) {
            o << QStringLiteral("  %1 %2 %3 %4\n")
                     .arg(QStringLiteral("-"), 3)
                     .arg(g.offset, -16)
                     .arg(sizeText(g.size), -12)
                     .arg(QStringLiteral("(free)"));
        };
        for (const sim::Partition &p : d.partitions) {
            while (!gaps.isEmpty() && gaps.first().offset < p.offset)
                printGap(gaps.takeFirst());
            const bool vol = p.volume.has_value();
            o << QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                     .arg(p.number, 3)
                     .arg(p.offset, -16)
                     .arg(sizeText(p.size), -12)
                     .arg(p.type, -9)
                     .arg(vol ? (p.volume->fileSystem.isEmpty() ? QStringLiteral("RAW") : p.volume->fileSystem)
                              : QStringLiteral("-"), -6)
                     .arg(vol ? p.volume->letter : QString(), -3)
                     .arg(vol ? p.volume->label : QString(), -12)
                     .arg(vol ? p.volume->serial : QString(), -9)
                     .arg(vol && !p.volume->fileSystem.isEmpty() ? sizeText(p.volume->usedBytes) : QString());
        }
        for (const sim::geometry::Extent &g : gaps)
            printGap(g);
    }
    if (!m.otherDrives.isEmpty()) {
        o << "\nOther drives\n";
        for (const sim::OtherDrive &d : m.otherDrives)
            o << "  " << d.letter << ":  type " << d.driveType
              << (d.fileSystem.isEmpty() ? QStringLiteral("  no media")
                                         : QStringLiteral("  %1 \"%2\" %3").arg(d.fileSystem, d.label, sizeText(d.totalBytes)))
              << "\n";
    }
    if (!m.faults.isEmpty()) {
        o << "\nFaults\n";
        for (const QJsonValue &f : m.faults)
            o << "  " << QJsonDocument(f.toObject()).toJson(QJsonDocument::Compact) << "\n";
    }
    o.flush();
    return 0;
}

int reset(const QStringList &args)
{
    if (args.size() > 1 || (args.size() == 1 && args[0] != QLatin1String("--demo") && args[0] != QLatin1String("--empty")))
        return usage();
    const bool empty = args.value(0) == QLatin1String("--empty");
    sim::MachineStore store;
    QString error;
    if (!store.write(empty ? sim::emptyMachine() : sim::demoMachine(), &error)) {
        err() << "tessaline-sim: " << error << Qt::endl;
        return 1;
    }
    out() << "Reset " << store.path() << " to the " << (empty ? "empty" : "demo") << " machine." << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // The simulated machine's own tool: on Windows too, never the real system.
    const char *const simulated[] = {argv[0], "--simulated"};
    platform::chooseFromArguments(2, simulated);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("reset"))
        return reset(args);
    if (command == QLatin1String("show") && args.isEmpty())
        return show();
    if (command == QLatin1String("path") && args.isEmpty()) {
        out() << sim::MachineStore::defaultPath() << Qt::endl;
        return 0;
    }
    if (command == QLatin1String("query") && args.size() == 2)
        return query(args[0], args[1]);
    if (command == QLatin1String("call") && args.size() >= 3)
        return call(args[0], args[1], args[2], args.mid(3));
    return usage();
}
