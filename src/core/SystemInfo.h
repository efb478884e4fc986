#pragma once

#include <QString>
#include <QStringList>

// Describes the computer for analytics and problem reports.
namespace SystemInfo {

QString platformName();
QString osVersionCode();

// Version, platform, OS code and the environment, one item a line. Values of
// variables whose names look secret are left out, and so are the user and
// password of any address in a value.
QString systemDescription();
QString systemDescription(const QStringList &environment);

// True for names such as GITHUB_TOKEN or DB_PASSWORD.
bool isSecretName(const QString &name);

} // namespace SystemInfo
