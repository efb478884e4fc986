#pragma once

#include <QString>

// Fixed identity of the client: what the settings store, the reports and the
// service see.
namespace AppInfo {

inline const QString version = QStringLiteral("1.4.0.19");
inline const QString organization = QStringLiteral("Fotoria");
inline const QString productName = QStringLiteral("Fotoria Wallpaper & Screensaver");
inline const QString serviceDomain = QStringLiteral("fotoria.com");
inline const QString defaultServiceUrl = QStringLiteral("https://api.fotoria.com");

// The application name that selects the settings store: the product name
// without blanks and ampersands.
QString applicationName();

} // namespace AppInfo
