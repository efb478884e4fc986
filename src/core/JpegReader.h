#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// Decodes a JPEG straight through libjpeg to exactly `size`. libjpeg first
// decodes at the smallest of its reduced sizes (eighths of the full size)
// that still covers `size`; the toolkit's reader only offers halves,
// quarters and eighths, so a 6000-pixel photo for a 1920-pixel screen is
// decoded at 2250 instead of 3000 pixels wide. The rows are then averaged
// down to `size` as they arrive, so the reduced picture is never held whole.
// Returns a null image when libjpeg is not built in or cannot decode the
// file (the caller then falls back to the toolkit's reader). `size` is in
// the file's own orientation; no orientation is applied.
namespace JpegReader {

bool available();

// *cutOff (if given) tells a file that ends before the picture does: no
// other reader should be tried then, since they would make up the rest.
QImage readScaled(const QString &path, const QSize &size, bool *cutOff = nullptr);

enum class BmpResult { Written, CannotDecode, CutOff, WriteFailed };

// The same, written as a 24-bit BMP into `out` (which must allow seeking)
// without holding the picture in memory; only for a reduction (`size` no
// larger than the picture). After CannotDecode `out` may hold a partial
// file.
BmpResult writeScaledBmp(const QString &path, const QSize &size, QIODevice *out);

} // namespace JpegReader
