#pragma once

#include <QString>

namespace platform {

// The platform name that analytics and reports carry ("Linux", "Windows").
QString platformName();

// A short code for the running system ("debian-12", "w7").
QString osVersionCode();

// True for the superuser, whom the web engine's sandbox refuses to run for.
bool runsAsSuperuser();

} // namespace platform
