#pragma once

#include "PhotoCatalog.h"

#include <QImage>
#include <QSize>

namespace fotoria::service {

// Paints a photo-like picture (sky, light, layered shapes, film grain) so
// that it compresses and scales like a real photograph. Deterministic per
// photo; safe to call from any thread (no text is drawn).
QImage renderPhoto(const Photo &photo, const QSize &size);

} // namespace fotoria::service
