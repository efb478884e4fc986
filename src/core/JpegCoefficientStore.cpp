#include "JpegCoefficientStore.h"

#ifdef FOTORIA_HAVE_LIBJPEG

#include <algorithm>
#include <cstdint>
#include <new>

extern "C" {
#include <jerror.h>
}

// __builtin_ctz: GCC and Clang.
#if defined(__SSE2__)
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

// Group g of every block in a row, each after a byte telling its kind, into
// `out` (room for 17 bytes a block); the bytes used.
size_t pack(const JCOEF *in, size_t blocks, int g, int8_t *out, std::vector<JCOEF> *wide)
{
    wide->clear();
    int8_t *at = out;
    for (size_t block = 0; block < blocks; ++block, in += DCTSIZE2) {
        int8_t *kind = at++;
        *kind = int8_t(packGroup(in + g * kGroup, &at, wide));
    }
    return size_t(at - out);
}

void unpack(const int8_t *in, JCOEF *out, size_t blocks, int g, const std::vector<JCOEF> &wide)
{
    size_t next = 0;
    for (size_t block = 0; block < blocks; ++block, out += DCTSIZE2) {
        const int kind = *in++;
        unpackGroup(kind, &in, out + g * kGroup, wide, &next);
    }
}

// The groups a scan of coefficients Ss..Se (in zigzag order) touches; libjpeg
// reads and writes no others then.
int scanGroups(int ss, int se)
{
    static const int kNatural[DCTSIZE2] = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26,
        33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37,
        44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };
    int groups = 0;
    for (int k = std::max(0, ss); k <= std::min(se, DCTSIZE2 - 1); ++k)
        groups |= 1 << (kNatural[k] / kGroup);
    return groups;
}

constexpr int kAllGroups = (1 << kGroups) - 1;

} // namespace

// One component's coefficients: every block row packed a group at a time,
// and a window of the rows last asked for at full width, packed again when
// libjpeg moves on. A scan touches only some groups: only those are
// unpacked and packed again.
class JpegCoefficientStore::Array
{
public:
    Array(JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess)
        : m_blocksPerRow(blocksPerRow)
        , m_rows(rows)
        , m_maxAccess(maxAccess)
    {
    }

    // Null for rows outside the array. `groups`: those libjpeg will use.
    JBLOCKARRAY access(JDIMENSION first, JDIMENSION count, bool writable, int groups)
    {
        if (count > m_maxAccess || first > m_rows || count > m_rows - first)
            return nullptr;
        if (m_packed.empty()) {
            m_packed.resize(size_t(m_rows) * kGroups);
            m_wide.resize(size_t(m_rows) * kGroups);
            m_scratch.resize(size_t(m_blocksPerRow) * (kGroup + 1));
            m_window.resize(size_t(m_maxAccess) * m_blocksPerRow * DCTSIZE2);
            for (JDIMENSION i = 0; i < m_maxAccess; ++i)
                m_rowPointers.push_back(reinterpret_cast<JBLOCKROW>(row(i)));
        }
        if (first < m_first || first + count > m_first + m_count) {
            store();
            m_first = first;
            m_count = count;
            m_loaded = 0;
        }
        load(groups & ~m_loaded);
        if (writable)
            m_dirty |= groups;
        return &m_rowPointers[first - m_first];
    }

private:
    void store()
    {
        for (int g = 0; g < kGroups; ++g) {
            for (JDIMENSION i = 0; i < m_count && (m_dirty & (1 << g)); ++i) {
                const size_t plane = size_t(m_first + i) * kGroups + size_t(g);
                const size_t bytes = pack(row(i), m_blocksPerRow, g, m_scratch.data(), &m_wide[plane]);
                // Exactly as long as needed: planes only grow from scan to scan.
                m_packed[plane].assign(m_scratch.data(), m_scratch.data() + bytes);
            }
        }
        m_dirty = 0;
    }

    void load(int groups)
    {
        for (int g = 0; g < kGroups; ++g) {
            for (JDIMENSION i = 0; i < m_count && (groups & (1 << g)); ++i) {
                const size_t plane = size_t(m_first + i) * kGroups + size_t(g);
                // A plane never written is zero, as libjpeg's own arrays start.
                if (m_packed[plane].empty()) {
                    for (JDIMENSION b = 0; b < m_blocksPerRow; ++b)
                        std::fill_n(row(i) + size_t(b) * DCTSIZE2 + g * kGroup, kGroup, JCOEF(0));
                } else {
                    unpack(m_packed[plane].data(), row(i), m_blocksPerRow, g, m_wide[plane]);
                }
            }
        }
        m_loaded |= groups;
    }

    JCOEF *row(JDIMENSION inWindow) { return &m_window[size_t(inWindow) * m_blocksPerRow * DCTSIZE2]; }

    JDIMENSION m_blocksPerRow;
    JDIMENSION m_rows;
    JDIMENSION m_maxAccess;
    // Row r's group g at r * kGroups + g.
    std::vector<std::vector<int8_t>> m_packed;
    std::vector<std::vector<JCOEF>> m_wide;
    std::vector<int8_t> m_scratch;
    std::vector<JCOEF> m_window;
    std::vector<JBLOCKROW> m_rowPointers;
    JDIMENSION m_first = 0;
    JDIMENSION m_count = 0;
    int m_loaded = 0; // groups in the window that hold the rows' values
    int m_dirty = 0; // groups libjpeg may have changed there
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
        // Writing, libjpeg reads a scan; reading, it makes the output.
        const auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
        const int groups = writable ? scanGroups(decompress->Ss, decompress->Se) : kAllGroups;
        rows = reinterpret_cast<Array *>(array)->access(first, count, writable != FALSE, groups);
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
