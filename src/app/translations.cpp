#include "translations.h"

#include "platform/platform.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace translations {

namespace {
// Owned by the application; deleting one also uninstalls it.
QPointer<QTranslator> g_own;
QPointer<QTranslator> g_qt;
} // namespace

QStringList available() { return {QStringLiteral("en"), QStringLiteral("zh_CN"), QStringLiteral("source")}; }

QString catalogueFor(const QStringList &uiLanguages)
{
    for (const QString &language : uiLanguages) {
        const QStringList parts = QString(language).replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
        const QString lang = parts.value(0).toLower();
        if (lang == QLatin1String("en"))
            return QStringLiteral("en");
        if (lang != QLatin1String("zh"))
            continue;
        // Traditional script or its regions have no catalogue; plain "zh" reads as simplified.
        const bool traditional = parts.contains(QStringLiteral("Hant"), Qt::CaseInsensitive)
                                 || parts.contains(QStringLiteral("TW"), Qt::CaseInsensitive)
                                 || parts.contains(QStringLiteral("HK"), Qt::CaseInsensitive)
                                 || parts.contains(QStringLiteral("MO"), Qt::CaseInsensitive);
        if (!traditional)
            return QStringLiteral("zh_CN");
    }
    return QString();
}

QStringList uiLanguagesOr(QStringList localeLanguages, const QString &standIn)
{
    localeLanguages.removeAll(QStringLiteral("C"));
    if (localeLanguages.isEmpty() && !standIn.isEmpty())
        localeLanguages << standIn;
    return localeLanguages;
}

QStringList systemUiLanguages()
{
    const QString user = QString::fromStdWString(platform::userUiLanguage());
#ifdef Q_OS_WIN
    return user.isEmpty() ? QStringList() : QStringList{user};
#else
    return uiLanguagesOr(QLocale::system().uiLanguages(), user); // LANGUAGE, then LC_ALL, LC_MESSAGES, LANG
#endif
}

QString requestedLanguage(const QStringList &arguments)
{
    const QString option = QStringLiteral("--language");
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == option)
            return arguments.value(i + 1);
        if (arguments.at(i).startsWith(option + QLatin1Char('=')))
            return arguments.at(i).mid(option.size() + 1);
    }
    return QString();
}

bool use(const QString &catalogue)
{
    delete g_own;
    delete g_qt;
    if (catalogue.isEmpty() || catalogue == QLatin1String("source"))
        return true;
    g_own = new QTranslator(QCoreApplication::instance());
    if (!g_own->load(QStringLiteral(":/i18n/tessaline_%1.qm").arg(catalogue))) {
        delete g_own;
        return false;
    }
    QCoreApplication::installTranslator(g_own);
    // The standard buttons of message boxes ("Yes", "Cancel") come from Qt's own catalogue,
    // where the system has it.
    g_qt = new QTranslator(QCoreApplication::instance());
    if (g_qt->load(QStringLiteral("qtbase_%1").arg(catalogue), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(g_qt);
    return true;
}

} // namespace translations
