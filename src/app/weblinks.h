#pragma once

#include <QUrl>

// The maker's web pages that the title bar opens in the desktop's browser.
namespace weblinks {
inline QUrl onlineHelp() { return QUrl(QStringLiteral("https://tessaline.example/online-help/tessaline.html")); }
inline QUrl support() { return QUrl(QStringLiteral("https://tessaline.example/support.html")); }
} // namespace weblinks
