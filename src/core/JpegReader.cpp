#include "JpegReader.h"

#ifdef FOTORIA_HAVE_LIBJPEG

#include <QFile>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}

// Reads the file in blocks through QFile, so any path the toolkit can open works.
struct Source
{
    jpeg_source_mgr base;
    QFile *file;
    JOCTET buffer[64 * 1024];
};

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info)
{
    auto *src = reinterpret_cast<Source *>(info->src);
    qint64 n = src->file->read(reinterpret_cast<char *>(src->buffer), sizeof(src->buffer));
    if (n <= 0) {
        // A cut-off file: end it with an EOI marker, as libjpeg's own sources do.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->base.next_input_byte = src->buffer;
    src->base.bytes_in_buffer = size_t(n);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto *src = reinterpret_cast<Source *>(info->src);
    while (count > long(src->base.bytes_in_buffer)) {
        count -= long(src->base.bytes_in_buffer);
        fillInput(info);
    }
    src->base.next_input_byte += count;
    src->base.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

// Averages rows of BGRX pixels down to the output size as they arrive: each
// output pixel is the mean of the input area it covers (partly covered
// pixels count by their share), the same as the toolkit's smooth downscale.
class AreaScaler
{
public:
    AreaScaler(int inWidth, int inHeight, QImage *out)
        : m_out(out)
        , m_outWidth(out->width())
        , m_outHeight(out->height())
        , m_sy(double(inHeight) / out->height())
        , m_row(size_t(m_outWidth) * 3)
        , m_acc(size_t(m_outWidth) * 3, 0.0f)
    {
        const double sx = double(inWidth) / m_outWidth;
        m_first.resize(size_t(m_outWidth));
        m_count.resize(size_t(m_outWidth));
        for (int x = 0; x < m_outWidth; ++x) {
            const double begin = x * sx;
            const double end = qMin((x + 1) * sx, double(inWidth));
            const int first = int(begin);
            const int last = qMin(int(std::ceil(end)), inWidth);
            m_first[size_t(x)] = first;
            m_count[size_t(x)] = last - first;
            for (int i = first; i < last; ++i)
                m_weights.push_back(float((qMin(end, i + 1.0) - qMax(begin, double(i))) / sx));
        }
    }

    void addRow(const uchar *bgrx)
    {
        const float *w = m_weights.data();
        float *h = m_row.data();
        for (int x = 0; x < m_outWidth; ++x) {
            const uchar *p = bgrx + size_t(m_first[size_t(x)]) * 4;
            float b = 0, g = 0, r = 0;
            for (int n = m_count[size_t(x)]; n > 0; --n, p += 4, ++w) {
                b += *w * p[0];
                g += *w * p[1];
                r += *w * p[2];
            }
            h[0] = b;
            h[1] = g;
            h[2] = r;
            h += 3;
        }
        const double y0 = m_inRow;
        const double y1 = m_inRow + 1.0;
        while (m_outRow < m_outHeight) {
            const double r0 = m_outRow * m_sy;
            const double r1 = (m_outRow + 1) * m_sy;
            const double overlap = qMin(y1, r1) - qMax(y0, r0);
            if (overlap > 0)
                accumulate(float(overlap / m_sy));
            if (r1 > y1 + 1e-9)
                break;
            emitRow();
        }
        ++m_inRow;
    }

    // Rounding may leave the last row open.
    void finish()
    {
        while (m_outRow < m_outHeight)
            emitRow();
    }

private:
    void accumulate(float weight)
    {
        const float *h = m_row.data();
        float *acc = m_acc.data();
        for (size_t i = 0, n = m_acc.size(); i < n; ++i)
            acc[i] += weight * h[i];
    }

    void emitRow()
    {
        auto *line = reinterpret_cast<QRgb *>(m_out->scanLine(m_outRow));
        float *acc = m_acc.data();
        for (int x = 0; x < m_outWidth; ++x, acc += 3) {
            line[x] = qRgb(qBound(0, int(acc[2] + 0.5f), 255), qBound(0, int(acc[1] + 0.5f), 255),
                           qBound(0, int(acc[0] + 0.5f), 255));
            acc[0] = acc[1] = acc[2] = 0.0f;
        }
        ++m_outRow;
    }

    QImage *m_out;
    int m_outWidth;
    int m_outHeight;
    double m_sy;
    int m_inRow = 0;
    int m_outRow = 0;
    std::vector<int> m_first;
    std::vector<int> m_count;
    std::vector<float> m_weights;
    std::vector<float> m_row;
    std::vector<float> m_acc;
};

// The stages run under setjmp and create no object with a destructor, so an
// error jump skips nothing that needs cleaning up.
bool readHeader(jpeg_decompress_struct *info, ErrorManager *errors, const QSize &atLeast)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_read_header(info, TRUE);
    if (info->num_components != 1 && info->num_components != 3)
        return false; // CMYK and the like: the toolkit's reader converts those
    const int width = int(info->image_width);
    const int height = int(info->image_height);
    int eighths = 8;
    for (int m = 1; m <= 8; ++m) {
        // libjpeg rounds reduced sizes up.
        if ((width * m + 7) / 8 >= atLeast.width() && (height * m + 7) / 8 >= atLeast.height()) {
            eighths = m;
            break;
        }
    }
    info->scale_num = unsigned(eighths);
    info->scale_denom = 8;
    info->out_color_space = JCS_EXT_BGRX;
    info->dct_method = JDCT_ISLOW;
    // Smooth colour upsampling only matters when nothing scales down afterwards.
    info->do_fancy_upsampling = eighths == 8 ? TRUE : FALSE;
    jpeg_calc_output_dimensions(info);
    return true;
}

// Straight into `out` when it has the decoded size, else through `scaler`
// with `band` as room for a few rows.
bool readPixels(jpeg_decompress_struct *info, ErrorManager *errors, QImage *out, AreaScaler *scaler,
                uchar *band, int bandRows)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_start_decompress(info);
    const qsizetype stride = qsizetype(info->output_width) * 4;
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(JDIMENSION(bandRows), info->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = scaler ? band + qsizetype(i) * stride : out->scanLine(int(first + i));
        const JDIMENSION read = jpeg_read_scanlines(info, rows, count);
        if (read == 0)
            return false;
        if (scaler) {
            for (JDIMENSION i = 0; i < read; ++i)
                scaler->addRow(rows[i]);
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

namespace JpegReader {

bool available()
{
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
}

QImage readScaled(const QString &path, const QSize &size)
{
    if (!available() || size.isEmpty())
        return QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();

    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    jpeg_create_decompress(&info);

    Source *source = static_cast<Source *>(
        (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, sizeof(Source)));
    source->file = &file;
    source->base.init_source = initSource;
    source->base.fill_input_buffer = fillInput;
    source->base.skip_input_data = skipInput;
    source->base.resync_to_restart = jpeg_resync_to_restart;
    source->base.term_source = termSource;
    source->base.bytes_in_buffer = 0;
    source->base.next_input_byte = nullptr;
    info.src = &source->base;

    QImage result;
    if (readHeader(&info, &errors, size)) {
        const QSize decoded(int(info.output_width), int(info.output_height));
        const bool scale = decoded != size;
        // Only downscaling is done on the fly; a larger picture is decoded
        // whole and left to the caller.
        const bool stream = scale && decoded.width() >= size.width() && decoded.height() >= size.height();
        QImage out(stream ? size : decoded, QImage::Format_RGB32);
        if (!out.isNull()) {
            constexpr int bandRows = 16;
            std::vector<uchar> band;
            std::unique_ptr<AreaScaler> scaler;
            if (stream) {
                band.resize(size_t(decoded.width()) * 4 * bandRows);
                scaler = std::make_unique<AreaScaler>(decoded.width(), decoded.height(), &out);
            }
            if (readPixels(&info, &errors, &out, scaler.get(), band.data(), bandRows)) {
                if (scaler)
                    scaler->finish();
                result = out;
            }
        }
    }
    jpeg_destroy_decompress(&info);
    return result;
}

} // namespace JpegReader

#else

namespace JpegReader {

bool available()
{
    return false;
}

QImage readScaled(const QString &, const QSize &)
{
    return QImage();
}

} // namespace JpegReader

#endif
