#pragma once

#include <QByteArray>

namespace fotoria::service {

// The three welcome pictures (PNG). Draws text, so call on the main thread.
QByteArray onboardingPicture(int number);

} // namespace fotoria::service
