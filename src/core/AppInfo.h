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

// A developer's run: "devmarkerfile.txt" (or "Qt5Cored.dll") in the working
// directory. Such a run keeps Qt's own message output and reports nothing.
// Evaluated afresh at each call.
bool isDevelopmentMode();

} // namespace AppInfo
