#pragma once

#include <QtGlobal>

// When the next timed wallpaper change falls due, from the time of the last
// change and the interval, by the wall clock: so the rhythm survives a
// restart and a suspend, which monotonic timers do not see.
namespace RotationSchedule {

// Milliseconds from `nowMs` (since the epoch) until the next timed change:
// 0 for at once, -1 for none (paused, or an interval of 0 or less).
// `lastChange` is in seconds since the epoch, 0 or less for never. Never more
// than one interval, also when the clock went back behind the last change.
qint64 wait(qint64 lastChange, qint64 intervalSeconds, bool paused, qint64 nowMs);

} // namespace RotationSchedule
