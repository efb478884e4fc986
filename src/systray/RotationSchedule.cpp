#include "RotationSchedule.h"

namespace RotationSchedule {

qint64 wait(qint64 lastChange, qint64 intervalSeconds, bool paused, qint64 nowMs)
{
    if (paused || intervalSeconds <= 0)
        return -1;
    const qint64 interval = intervalSeconds * 1000;
    return qBound(qint64(0), lastChange * 1000 + interval - nowMs, interval);
}

} // namespace RotationSchedule
