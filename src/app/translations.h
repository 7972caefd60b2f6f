#pragma once

// One language at a time: the catalogue matching the user's UI language, or the one named by
// "--language", is installed before the first window; without one the source texts show.

#include <QString>
#include <QStringList>

namespace translations {

// The catalogues built into the app ("en", "zh_CN"), and "source" for none.
QStringList available();

// The catalogue for a list of UI languages, most preferred first ("zh-CN", "en_US", "zh-Hans-CN"):
// the first that has one wins; empty when none does.
QString catalogueFor(const QStringList &uiLanguages);

// The UI languages of the person at the keyboard: on Windows the user's UI language; elsewhere
// the locale's, or the simulated machine's display language when the locale names none ("C").
QStringList systemUiLanguages();
// The locale's languages without "C"; the stand-in when none remain.
QStringList uiLanguagesOr(QStringList localeLanguages, const QString &standIn);

// The value of "--language X" or "--language=X" in the arguments; empty when not given.
QString requestedLanguage(const QStringList &arguments);

// Installs the named catalogue (and Qt's own for its standard buttons) in place of any
// installed before; "source" or empty removes them. False for a name with no catalogue.
bool use(const QString &catalogue);

} // namespace translations
