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
// A block is packed as a byte of two-bit kinds, one for each group of 16
// coefficients (two rows of the block), followed by the groups that are not
// all zero: at half a byte per coefficient when all fit in -8..7 (most of
// the finer detail), else at a byte.
constexpr int kGroup = 16;
constexpr int kGroups = DCTSIZE2 / kGroup;
enum Kind { Zero = 0, Nibbles = 1, Bytes = 2 };

// The kind written and *out moved past it.
int packGroup(const JCOEF *in, int8_t **out, std::vector<JCOEF> *wide)
{
#ifdef FOTORIA_PACK_SSE2
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 8));
    const __m128i zero = _mm_setzero_si128();
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(a, b), zero)) == 0xffff)
        return Zero;
    const __m128i nibbleLow = _mm_set1_epi16(-8);
    const __m128i nibbleHigh = _mm_set1_epi16(7);
    if (!_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpgt_epi16(a, nibbleHigh), _mm_cmplt_epi16(a, nibbleLow)),
            _mm_or_si128(_mm_cmpgt_epi16(b, nibbleHigh), _mm_cmplt_epi16(b, nibbleLow))))) {
        // Byte i holds a[i] in its low half and b[i] in its high half.
        const __m128i mask = _mm_set1_epi16(0x0f);
        const __m128i both = _mm_or_si128(_mm_and_si128(a, mask), _mm_slli_epi16(_mm_and_si128(b, mask), 4));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(*out), _mm_packus_epi16(both, both));
        *out += kGroup / 2;
        return Nibbles;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(*out), _mm_packs_epi16(a, b));
    const __m128i high = _mm_set1_epi16(127);
    const __m128i low = _mm_set1_epi16(-127);
    // Two mask bits per coefficient; most groups have none outside.
    unsigned outside
        = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(a, high), _mm_cmplt_epi16(a, low))))
        | unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(b, high), _mm_cmplt_epi16(b, low)))) << 16;
    for (; outside; outside &= outside - 1) {
        const int bit = __builtin_ctz(outside);
        outside &= ~(2u << bit);
        (*out)[bit / 2] = kWide;
        wide->push_back(in[bit / 2]);
    }
#else
    if (std::all_of(in, in + kGroup, [](JCOEF c) { return c == 0; }))
        return Zero;
    if (std::all_of(in, in + kGroup, [](JCOEF c) { return c >= -8 && c <= 7; })) {
        for (int k = 0; k < kGroup / 2; ++k)
            (*out)[k] = int8_t((in[k] & 0x0f) | (in[k + 8] & 0x0f) << 4);
        *out += kGroup / 2;
        return Nibbles;
    }
    for (int k = 0; k < kGroup; ++k) {
        if (in[k] > 127 || in[k] < -127) {
            (*out)[k] = kWide;
            wide->push_back(in[k]);
        } else {
            (*out)[k] = int8_t(in[k]);
        }
    }
#endif
    *out += kGroup;
    return Bytes;
}

void unpackGroup(int kind, const int8_t **in, JCOEF *out, const std::vector<JCOEF> &wide, size_t *next)
{
    if (kind == Zero) {
        std::fill_n(out, kGroup, JCOEF(0));
        return;
    }
#ifdef FOTORIA_PACK_SSE2
    if (kind == Nibbles) {
        const __m128i both
            = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(*in)), _mm_setzero_si128());
        // Shifted to the top of each 16 bits and back, keeping the sign.
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_srai_epi16(_mm_slli_epi16(both, 12), 12));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_srai_epi16(_mm_slli_epi16(both, 8), 12));
        *in += kGroup / 2;
        return;
    }
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(*in));
    const __m128i sign = _mm_cmpgt_epi8(_mm_setzero_si128(), x);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(x, sign));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(x, sign));
    for (unsigned set = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(kWide)))); set; set &= set - 1)
        out[__builtin_ctz(set)] = wide[(*next)++];
#else
    if (kind == Nibbles) {
        for (int k = 0; k < kGroup / 2; ++k) {
            out[k] = JCOEF(int8_t(uint8_t((*in)[k]) << 4) >> 4);
            out[k + 8] = JCOEF(int8_t((*in)[k]) >> 4);
        }
        *in += kGroup / 2;
        return;
    }
    for (int k = 0; k < kGroup; ++k)
        out[k] = (*in)[k] == kWide ? wide[(*next)++] : JCOEF((*in)[k]);
#endif
    *in += kGroup;
}

// Into `out` (room for 65 bytes a block); the bytes used.
size_t pack(const JCOEF *in, size_t blocks, int8_t *out, std::vector<JCOEF> *wide)
{
    wide->clear();
    int8_t *at = out;
    for (size_t block = 0; block < blocks; ++block, in += DCTSIZE2) {
        int8_t *kinds = at++;
        int packed = 0;
        for (int g = 0; g < kGroups; ++g)
            packed |= packGroup(in + g * kGroup, &at, wide) << (2 * g);
        *kinds = int8_t(packed);
    }
    return size_t(at - out);
}

void unpack(const int8_t *in, JCOEF *out, size_t blocks, const std::vector<JCOEF> &wide)
{
    size_t next = 0;
    for (size_t block = 0; block < blocks; ++block, out += DCTSIZE2) {
        const int kinds = uint8_t(*in++);
        for (int g = 0; g < kGroups; ++g)
            unpackGroup((kinds >> (2 * g)) & 3, &in, out + g * kGroup, wide, &next);
    }
}

} // namespace

// One component's coefficients: every block row packed, and a window of the
// rows last asked for at full width, packed again when libjpeg moves on.
class JpegCoefficientStore::Array
{
public:
    Array(JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess)
        : m_blocksPerRow(blocksPerRow)
        , m_rows(rows)
        , m_maxAccess(maxAccess)
    {
    }

    // Null for rows outside the array.
    JBLOCKARRAY access(JDIMENSION first, JDIMENSION count, bool writable)
    {
        if (count > m_maxAccess || first > m_rows || count > m_rows - first)
            return nullptr;
        const size_t rowCoefficients = size_t(m_blocksPerRow) * DCTSIZE2;
        if (m_packed.empty()) {
            m_packed.resize(m_rows);
            m_wide.resize(m_rows);
            m_scratch.resize(size_t(m_blocksPerRow) * (DCTSIZE2 + 1));
            m_window.resize(size_t(m_maxAccess) * rowCoefficients);
            for (JDIMENSION i = 0; i < m_maxAccess; ++i)
                m_rowPointers.push_back(reinterpret_cast<JBLOCKROW>(&m_window[size_t(i) * rowCoefficients]));
        }
        if (first < m_first || first + count > m_first + m_count) {
            if (m_dirty) {
                for (JDIMENSION i = 0; i < m_count; ++i) {
                    const size_t bytes = pack(row(i), m_blocksPerRow, m_scratch.data(), &m_wide[m_first + i]);
                    // Exactly as long as needed: rows only grow from scan to scan.
                    m_packed[m_first + i].assign(m_scratch.data(), m_scratch.data() + bytes);
                }
            }
            for (JDIMENSION i = 0; i < count; ++i) {
                // A row never written is zeroed, as libjpeg's own arrays start.
                if (m_packed[first + i].empty())
                    std::fill_n(row(i), rowCoefficients, JCOEF(0));
                else
                    unpack(m_packed[first + i].data(), row(i), m_blocksPerRow, m_wide[first + i]);
            }
            m_first = first;
            m_count = count;
            m_dirty = false;
        }
        m_dirty = m_dirty || writable;
        return &m_rowPointers[first - m_first];
    }

private:
    JCOEF *row(JDIMENSION inWindow) { return &m_window[size_t(inWindow) * m_blocksPerRow * DCTSIZE2]; }

    JDIMENSION m_blocksPerRow;
    JDIMENSION m_rows;
    JDIMENSION m_maxAccess;
    std::vector<std::vector<int8_t>> m_packed;
    std::vector<std::vector<JCOEF>> m_wide;
    std::vector<int8_t> m_scratch;
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
