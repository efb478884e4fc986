#include "JpegReader.h"

#include "JpegCoefficientStore.h"

#include <platform/CrashHook.h>

#ifdef FOTORIA_HAVE_LIBJPEG

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define FOTORIA_SCALER_SSE2
#endif

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

void onMessage(j_common_ptr, int) { }

// Reads the file in blocks through QFile, so any path the toolkit can open works.
struct Source
{
    jpeg_source_mgr base;
    QFile *file;
    bool endedEarly;
    JOCTET buffer[64 * 1024];
};

void initSource(j_decompress_ptr) { }

boolean fillInput(j_decompress_ptr info)
{
    auto *src = reinterpret_cast<Source *>(info->src);
    qint64 n = src->file->read(reinterpret_cast<char *>(src->buffer), sizeof(src->buffer));
    if (n <= 0) {
        // A cut-off file: end it with an EOI marker, as libjpeg's own sources
        // do, and remember that the rest of the picture is made up.
        src->endedEarly = true;
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

void termSource(j_decompress_ptr) { }

// Where the scaler puts its output rows, top to bottom.
class RowSink
{
public:
    virtual ~RowSink() = default;
    // Room for output row y (width pixels).
    virtual QRgb *row(int y) = 0;
    // Row y is complete.
    virtual void done(int y) = 0;
};

class ImageSink : public RowSink
{
public:
    explicit ImageSink(QImage *image)
        : m_image(image)
    {
    }
    QRgb *row(int y) override { return reinterpret_cast<QRgb *>(m_image->scanLine(y)); }
    void done(int) override { }

private:
    QImage *m_image;
};

// Writes a 24-bit BMP (bottom-up, as every reader expects) while the rows
// arrive top-down: rows are gathered into a block that is contiguous in the
// file and written at its place, so the picture is never held whole.
class BmpSink : public RowSink
{
public:
    BmpSink(QIODevice *out, int width, int height)
        : m_out(out)
        , m_width(width)
        , m_height(height)
        , m_rowBytes((qsizetype(width) * 3 + 3) & ~qsizetype(3))
        , m_line(size_t(width))
        , m_block(size_t(kBlockRows) * size_t(m_rowBytes), 0)
    {
        m_ok = writeHeader();
    }

    bool ok() const { return m_ok; }

    QRgb *row(int) override { return m_line.data(); }

    void done(int y) override
    {
        // Rows y .. y+kBlockRows-1 of a block sit in the file in reverse order.
        const int first = y - y % kBlockRows;
        const int last = qMin(first + kBlockRows, m_height) - 1;
        uchar *dst = m_block.data() + qsizetype(last - y) * m_rowBytes;
        const QRgb *src = m_line.data();
        for (int x = 0; x < m_width; ++x, dst += 3) {
            dst[0] = uchar(qBlue(src[x]));
            dst[1] = uchar(qGreen(src[x]));
            dst[2] = uchar(qRed(src[x]));
        }
        if (y == last && m_ok) {
            const qint64 offset = kHeaderBytes + qint64(m_height - 1 - last) * m_rowBytes;
            const qint64 bytes = qint64(last - first + 1) * m_rowBytes;
            m_ok = m_out->seek(offset)
                && m_out->write(reinterpret_cast<const char *>(m_block.data()), bytes) == bytes;
        }
    }

private:
    static constexpr int kBlockRows = 64;
    static constexpr qint64 kHeaderBytes = 54;

    bool writeHeader()
    {
        uchar header[kHeaderBytes] = {};
        const auto put16 = [&](int at, quint16 v) {
            header[at] = uchar(v);
            header[at + 1] = uchar(v >> 8);
        };
        const auto put32 = [&](int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                header[at + i] = uchar(v >> (8 * i));
        };
        const quint32 imageBytes = quint32(m_rowBytes) * quint32(m_height);
        header[0] = 'B';
        header[1] = 'M';
        put32(2, quint32(kHeaderBytes) + imageBytes); // file size
        put32(10, quint32(kHeaderBytes)); // pixel data offset
        put32(14, 40); // BITMAPINFOHEADER
        put32(18, quint32(m_width));
        put32(22, quint32(m_height)); // positive: bottom-up
        put16(26, 1); // planes
        put16(28, 24); // bits per pixel
        put32(30, 0); // no compression
        put32(34, imageBytes);
        put32(38, 3780); // 96 dpi
        put32(42, 3780);
        return m_out->write(reinterpret_cast<const char *>(header), kHeaderBytes) == kHeaderBytes;
    }

    QIODevice *m_out;
    int m_width;
    int m_height;
    qsizetype m_rowBytes;
    std::vector<QRgb> m_line;
    std::vector<uchar> m_block;
    bool m_ok = false;
};

// Averages rows of BGRX pixels down to the output size as they arrive: each
// output pixel is the mean of the input area it covers (partly covered
// pixels count by their share), the same as the toolkit's smooth downscale.
// Rows are first summed at the input width, and the horizontal step runs
// once per output row. A pixel is four floats, one SSE register where the
// processor has it.
class AreaScaler
{
public:
    AreaScaler(int inWidth, int inHeight, const QSize &outSize, RowSink *sink)
        : m_sink(sink)
        , m_inWidth(inWidth)
        , m_outWidth(outSize.width())
        , m_outHeight(outSize.height())
        , m_sy(double(inHeight) / outSize.height())
    {
        const double sx = double(inWidth) / m_outWidth;
        m_taps = 1;
        for (int x = 0; x < m_outWidth; ++x) {
            const int first = int(x * sx);
            const int last = qMin(int(std::ceil(qMin((x + 1) * sx, double(inWidth)))), inWidth);
            m_taps = qMax(m_taps, last - first);
        }
        // Every output pixel reads m_taps input pixels; the ones it does not
        // cover have weight 0, and the row has room for the last ones.
        m_first.resize(size_t(m_outWidth));
        m_weights.assign(size_t(m_outWidth) * size_t(m_taps), 0.0f);
        for (int x = 0; x < m_outWidth; ++x) {
            const double begin = x * sx;
            const double end = qMin((x + 1) * sx, double(inWidth));
            const int first = int(begin);
            const int last = qMin(int(std::ceil(end)), inWidth);
            m_first[size_t(x)] = first;
            for (int i = first; i < last; ++i) {
                m_weights[size_t(x) * size_t(m_taps) + size_t(i - first)]
                    = float((qMin(end, i + 1.0) - qMax(begin, double(i))) / sx);
            }
        }
        m_acc.assign(size_t(inWidth + m_taps) * 4, 0.0f);
    }

    void addRow(const uchar *bgrx)
    {
        const double y0 = m_inRow;
        const double y1 = m_inRow + 1.0;
        while (m_outRow < m_outHeight) {
            const double r0 = m_outRow * m_sy;
            const double r1 = (m_outRow + 1) * m_sy;
            const double overlap = qMin(y1, r1) - qMax(y0, r0);
            if (overlap > 0)
                accumulate(bgrx, float(overlap / m_sy));
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
    void accumulate(const uchar *bgrx, float weight)
    {
        float *acc = m_acc.data();
        int x = 0;
#ifdef FOTORIA_SCALER_SSE2
        const __m128 w = _mm_set1_ps(weight);
        const __m128i zero = _mm_setzero_si128();
        for (; x + 4 <= m_inWidth; x += 4, bgrx += 16, acc += 16) {
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgrx));
            const __m128i lo = _mm_unpacklo_epi8(px, zero);
            const __m128i hi = _mm_unpackhi_epi8(px, zero);
            const __m128 p0 = _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero));
            const __m128 p1 = _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero));
            const __m128 p2 = _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero));
            const __m128 p3 = _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero));
            _mm_storeu_ps(acc, _mm_add_ps(_mm_loadu_ps(acc), _mm_mul_ps(w, p0)));
            _mm_storeu_ps(acc + 4, _mm_add_ps(_mm_loadu_ps(acc + 4), _mm_mul_ps(w, p1)));
            _mm_storeu_ps(acc + 8, _mm_add_ps(_mm_loadu_ps(acc + 8), _mm_mul_ps(w, p2)));
            _mm_storeu_ps(acc + 12, _mm_add_ps(_mm_loadu_ps(acc + 12), _mm_mul_ps(w, p3)));
        }
#endif
        for (int i = x * 4, n = m_inWidth * 4; i < n; ++i, ++bgrx, ++acc)
            *acc += weight * float(*bgrx);
    }

    void emitRow()
    {
        QRgb *line = m_sink->row(m_outRow);
        const float *w = m_weights.data();
        const float *acc = m_acc.data();
        const int taps = m_taps;
        for (int x = 0; x < m_outWidth; ++x, w += taps) {
            const float *p = acc + size_t(m_first[size_t(x)]) * 4;
#ifdef FOTORIA_SCALER_SSE2
            __m128 sum = _mm_set1_ps(0.5f);
            for (int k = 0; k < taps; ++k, p += 4)
                sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w[k]), _mm_loadu_ps(p)));
            // To integers, then saturated down to bytes: B, G, R, X.
            const __m128i i32 = _mm_cvttps_epi32(sum);
            const __m128i i16 = _mm_packs_epi32(i32, i32);
            const __m128i u8 = _mm_packus_epi16(i16, i16);
            line[x] = QRgb(_mm_cvtsi128_si32(u8)) | 0xff000000u;
#else
            float b = 0.5f, g = 0.5f, r = 0.5f;
            for (int k = 0; k < taps; ++k, p += 4) {
                b += w[k] * p[0];
                g += w[k] * p[1];
                r += w[k] * p[2];
            }
            line[x] = qRgb(qBound(0, int(r), 255), qBound(0, int(g), 255), qBound(0, int(b), 255));
#endif
        }
        std::fill(m_acc.begin(), m_acc.end(), 0.0f);
        m_sink->done(m_outRow);
        ++m_outRow;
    }

    RowSink *m_sink;
    int m_inWidth;
    int m_outWidth;
    int m_outHeight;
    double m_sy;
    int m_taps = 1;
    int m_inRow = 0;
    int m_outRow = 0;
    std::vector<int> m_first;
    std::vector<float> m_weights;
    std::vector<float> m_acc;
};

// Hands bands of decoded rows to a second thread that scales them, so that
// decoding and scaling run side by side on two cores.
class RowPipe
{
public:
    RowPipe(AreaScaler *scaler, int bandRows, qsizetype stride, int bandCount = 4)
        : m_scaler(scaler)
        , m_stride(stride)
        , m_storage(size_t(bandCount) * size_t(bandRows) * size_t(stride))
    {
        for (int i = 0; i < bandCount; ++i)
            m_free.push_back(m_storage.data() + size_t(i) * size_t(bandRows) * size_t(stride));
        m_thread = std::thread([this] { run(); });
    }
    ~RowPipe() { finish(); }

    uchar *acquire()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_free.empty(); });
        uchar *band = m_free.front();
        m_free.pop_front();
        return band;
    }

    void submit(uchar *band, int rows)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_full.emplace_back(band, rows);
        }
        m_changed.notify_all();
    }

    // Scales what was submitted and stops the thread.
    void finish()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        platform::installThreadSignalStack();
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_full.empty() || m_closed; });
            if (m_full.empty())
                return;
            const auto [band, rows] = m_full.front();
            m_full.pop_front();
            lock.unlock();
            for (int i = 0; i < rows; ++i)
                m_scaler->addRow(band + qsizetype(i) * m_stride);
            lock.lock();
            m_free.push_back(band);
            m_changed.notify_all();
        }
    }

    AreaScaler *m_scaler;
    qsizetype m_stride;
    std::vector<uchar> m_storage;
    std::deque<uchar *> m_free;
    std::deque<std::pair<uchar *, int>> m_full;
    bool m_closed = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
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
    // Smoothing only helps a picture shown before its last scan, and would
    // make libjpeg ask for five block rows at a time.
    info->do_block_smoothing = FALSE;
    // Smooth colour upsampling only matters when nothing scales down afterwards.
    info->do_fancy_upsampling = eighths == 8 ? TRUE : FALSE;
    jpeg_calc_output_dimensions(info);
    return true;
}

// Straight into `out` when it has the decoded size, else in bands through
// `pipe` to the scaler.
bool readPixels(jpeg_decompress_struct *info, ErrorManager *errors, QImage *out, RowPipe *pipe, int bandRows)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_start_decompress(info);
    const qsizetype stride = qsizetype(info->output_width) * 4;
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(JDIMENSION(bandRows), info->output_height - first);
        uchar *band = pipe ? pipe->acquire() : nullptr;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = band ? band + qsizetype(i) * stride : out->scanLine(int(first + i));
        JDIMENSION read = 0;
        while (read < count) {
            const JDIMENSION n = jpeg_read_scanlines(info, rows + read, count - read);
            if (n == 0)
                return false;
            read += n;
        }
        if (pipe)
            pipe->submit(band, int(read));
    }
    // Rows libjpeg had to make up after the file ended are not a picture;
    // only a missing end marker after the last row is forgiven.
    if (reinterpret_cast<Source *>(info->src)->endedEarly)
        return false;
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

namespace JpegReader {

bool available()
{
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
}

namespace {

// One decoding: the file, libjpeg's state and the header, set up so that the
// output is at least `size`.
class Decoding
{
public:
    Decoding(const QString &path, const QSize &size)
        : m_file(path)
    {
        m_info.err = jpeg_std_error(&m_errors.base);
        m_errors.base.error_exit = onError;
        m_errors.base.emit_message = onMessage;
        jpeg_create_decompress(&m_info);
        m_coefficients.install(&m_info);
        if (!available() || size.isEmpty() || !m_file.open(QIODevice::ReadOnly))
            return;
        auto *source = static_cast<Source *>((*m_info.mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(&m_info), JPOOL_PERMANENT, sizeof(Source)));
        source->file = &m_file;
        source->endedEarly = false;
        source->base.init_source = initSource;
        source->base.fill_input_buffer = fillInput;
        source->base.skip_input_data = skipInput;
        source->base.resync_to_restart = jpeg_resync_to_restart;
        source->base.term_source = termSource;
        source->base.bytes_in_buffer = 0;
        source->base.next_input_byte = nullptr;
        m_info.src = &source->base;
        m_ready = readHeader(&m_info, &m_errors, size);
    }
    ~Decoding() { jpeg_destroy_decompress(&m_info); }

    bool ready() const { return m_ready; }
    // The file ended before the picture did.
    bool cutOff() const { return m_info.src && reinterpret_cast<const Source *>(m_info.src)->endedEarly; }
    QSize decoded() const { return QSize(int(m_info.output_width), int(m_info.output_height)); }

    // Straight into `image`, which has the decoded size.
    bool readInto(QImage *image) { return readPixels(&m_info, &m_errors, image, nullptr, kBandRows); }

    // Averaged down to `size` (at most the decoded size) into `sink`.
    bool readScaled(const QSize &size, RowSink *sink)
    {
        AreaScaler scaler(decoded().width(), decoded().height(), size, sink);
        RowPipe pipe(&scaler, kBandRows, qsizetype(decoded().width()) * 4);
        const bool ok = readPixels(&m_info, &m_errors, nullptr, &pipe, kBandRows);
        pipe.finish();
        if (ok)
            scaler.finish();
        return ok;
    }

private:
    static constexpr int kBandRows = 16;
    QFile m_file;
    jpeg_decompress_struct m_info;
    JpegCoefficientStore m_coefficients;
    ErrorManager m_errors;
    bool m_ready = false;
};

} // namespace

QImage readScaled(const QString &path, const QSize &size, bool *cutOff)
{
    if (cutOff)
        *cutOff = false;
    Decoding decoding(path, size);
    if (!decoding.ready())
        return QImage();
    const QSize decoded = decoding.decoded();
    // Only downscaling is done on the fly; a smaller picture is decoded
    // whole and left to the caller.
    const bool scale = decoded.width() >= size.width() && decoded.height() >= size.height();
    QImage out(scale ? size : decoded, QImage::Format_RGB32);
    if (out.isNull())
        return QImage();
    bool ok = false;
    if (scale) {
        ImageSink sink(&out);
        ok = decoding.readScaled(size, &sink);
    } else {
        ok = decoding.readInto(&out);
    }
    if (cutOff)
        *cutOff = decoding.cutOff();
    return ok ? out : QImage();
}

BmpResult writeScaledBmp(const QString &path, const QSize &size, QIODevice *out)
{
    Decoding decoding(path, size);
    if (!decoding.ready())
        return BmpResult::CannotDecode;
    const QSize decoded = decoding.decoded();
    if (decoded.width() < size.width() || decoded.height() < size.height())
        return BmpResult::CannotDecode;
    BmpSink sink(out, size.width(), size.height());
    if (!sink.ok())
        return BmpResult::WriteFailed;
    if (!decoding.readScaled(size, &sink))
        return decoding.cutOff() ? BmpResult::CutOff : BmpResult::CannotDecode;
    return sink.ok() ? BmpResult::Written : BmpResult::WriteFailed;
}

} // namespace JpegReader

#else

namespace JpegReader {

bool available()
{
    return false;
}

QImage readScaled(const QString &, const QSize &, bool *cutOff)
{
    if (cutOff)
        *cutOff = false;
    return QImage();
}

BmpResult writeScaledBmp(const QString &, const QSize &, QIODevice *)
{
    return BmpResult::CannotDecode;
}

} // namespace JpegReader

#endif
