#include "JpegCoefficientStore.h"

#ifdef FOTORIA_HAVE_LIBJPEG

#include <algorithm>
#include <cstdint>
#include <new>

extern "C" {
#include <jerror.h>
}

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define FOTORIA_PACK_SSE2
#endif

namespace {

// A byte of -128 stands for the next value kept aside.
constexpr int8_t kWide = -128;

// count is a multiple of 16 (whole blocks of 64).
void pack(const JCOEF *in, int8_t *out, size_t count, std::vector<JCOEF> *wide)
{
    wide->clear();
    for (size_t i = 0; i < count; i += 16) {
#ifdef FOTORIA_PACK_SSE2
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packs_epi16(a, b));
        const __m128i high = _mm_set1_epi16(127);
        const __m128i low = _mm_set1_epi16(-127);
        // Two mask bits per coefficient; most groups have none outside.
        unsigned outside = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(a, high), _mm_cmplt_epi16(a, low))))
            | unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(b, high), _mm_cmplt_epi16(b, low)))) << 16;
        for (; outside; outside &= outside - 1) {
            const int bit = __builtin_ctz(outside);
            outside &= ~(2u << bit);
            const size_t k = i + size_t(bit / 2);
            out[k] = kWide;
            wide->push_back(in[k]);
        }
#else
        for (size_t k = i; k < i + 16; ++k) {
            if (in[k] > 127 || in[k] < -127) {
                out[k] = kWide;
                wide->push_back(in[k]);
            } else {
                out[k] = int8_t(in[k]);
            }
        }
#endif
    }
}

void unpack(const int8_t *in, JCOEF *out, size_t count, const std::vector<JCOEF> &wide)
{
    size_t next = 0;
    for (size_t i = 0; i < count; i += 16) {
#ifdef FOTORIA_PACK_SSE2
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i sign = _mm_cmpgt_epi8(_mm_setzero_si128(), x);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(x, sign));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(x, sign));
        for (unsigned set = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(kWide)))); set;
             set &= set - 1)
            out[i + size_t(__builtin_ctz(set))] = wide[next++];
#else
        for (size_t k = i; k < i + 16; ++k)
            out[k] = in[k] == kWide ? wide[next++] : JCOEF(in[k]);
#endif
    }
}

} // namespace

// One component's coefficients: every block row packed, and a window of the
// rows last asked for at full width, packed again when libjpeg moves on.
class JpegCoefficientStore::Array
{
public:
    Array(JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess)
        : m_rowCoefficients(size_t(blocksPerRow) * DCTSIZE2)
        , m_rows(rows)
        , m_maxAccess(maxAccess)
    {
    }

    // Null for rows outside the array.
    JBLOCKARRAY access(JDIMENSION first, JDIMENSION count, bool writable)
    {
        if (count > m_maxAccess || first > m_rows || count > m_rows - first)
            return nullptr;
        if (!m_packed) {
            m_packed.reset(new int8_t[size_t(m_rows) * m_rowCoefficients]);
            m_wide.resize(m_rows);
            m_written.resize(m_rows);
            m_window.resize(size_t(m_maxAccess) * m_rowCoefficients);
            for (JDIMENSION i = 0; i < m_maxAccess; ++i)
                m_rowPointers.push_back(reinterpret_cast<JBLOCKROW>(&m_window[size_t(i) * m_rowCoefficients]));
        }
        if (first < m_first || first + count > m_first + m_count) {
            if (m_dirty) {
                for (JDIMENSION i = 0; i < m_count; ++i) {
                    pack(row(i), packedRow(m_first + i), m_rowCoefficients, &m_wide[m_first + i]);
                    m_written[m_first + i] = true;
                }
            }
            for (JDIMENSION i = 0; i < count; ++i) {
                // A row never written is zeroed, as libjpeg's own arrays start.
                if (m_written[first + i])
                    unpack(packedRow(first + i), row(i), m_rowCoefficients, m_wide[first + i]);
                else
                    std::fill_n(row(i), m_rowCoefficients, JCOEF(0));
            }
            m_first = first;
            m_count = count;
            m_dirty = false;
        }
        m_dirty = m_dirty || writable;
        return &m_rowPointers[first - m_first];
    }

private:
    JCOEF *row(JDIMENSION inWindow) { return &m_window[size_t(inWindow) * m_rowCoefficients]; }
    int8_t *packedRow(JDIMENSION r) { return &m_packed[size_t(r) * m_rowCoefficients]; }

    size_t m_rowCoefficients;
    JDIMENSION m_rows;
    JDIMENSION m_maxAccess;
    std::unique_ptr<int8_t[]> m_packed; // not zeroed: see m_written
    std::vector<bool> m_written;
    std::vector<std::vector<JCOEF>> m_wide;
    std::vector<JCOEF> m_window;
    std::vector<JBLOCKROW> m_rowPointers;
    JDIMENSION m_first = 0;
    JDIMENSION m_count = 0;
    bool m_dirty = false;
};

JpegCoefficientStore::JpegCoefficientStore() = default;
JpegCoefficientStore::~JpegCoefficientStore() = default;

void JpegCoefficientStore::install(jpeg_decompress_struct *info)
{
    info->client_data = this;
    info->mem->request_virt_barray = request;
    info->mem->access_virt_barray = access;
}

// Called from inside libjpeg: no exception may pass, and its error exit
// jumps, so it is raised outside the catch.
jvirt_barray_ptr JpegCoefficientStore::request(
    j_common_ptr info, int, boolean, JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess)
{
    auto *self = static_cast<JpegCoefficientStore *>(info->client_data);
    bool made = true;
    try {
        self->m_arrays.push_back(std::make_unique<Array>(blocksPerRow, rows, maxAccess));
    } catch (const std::bad_alloc &) {
        made = false;
    }
    if (!made)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 10);
    return reinterpret_cast<jvirt_barray_ptr>(self->m_arrays.back().get());
}

JBLOCKARRAY JpegCoefficientStore::access(
    j_common_ptr info, jvirt_barray_ptr array, JDIMENSION first, JDIMENSION count, boolean writable)
{
    JBLOCKARRAY rows = nullptr;
    bool memory = true;
    try {
        rows = reinterpret_cast<Array *>(array)->access(first, count, writable != FALSE);
    } catch (const std::bad_alloc &) {
        memory = false;
    }
    if (!memory)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 11);
    if (!rows)
        ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
    return rows;
}

#endif
