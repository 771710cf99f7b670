#include "finder/covered_window_finder.h"

#include <algorithm>
#include <bit>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#define PQ_X86 1
#include <immintrin.h>
#endif

namespace pq {

namespace {

constexpr int kWordBits = 32;
constexpr int kBlockWords = 128; // flags computed per block before the run search

// Flags for `words` × 32 positions from `p`: bit i of covered[w] is set when the byte at
// p + 32w + i has no bit outside the byte `length` further on; same[w] when both are equal.
// Returns whether any 16-aligned half-word of covered flags is all set: a run of 31 or more
// covered flags contains one, so without one no run of interest ends after the first word.
using FlagKernel = bool (*)(const std::uint8_t* p, std::int64_t length, int words, std::uint32_t* covered,
                            std::uint32_t* same);

inline bool hasFullHalf(std::uint32_t c)
{
    return (c | 0xFFFF0000u) == ~0u || (c | 0x0000FFFFu) == ~0u;
}

bool flagsScalar(const std::uint8_t* p, std::int64_t length, int words, std::uint32_t* covered, std::uint32_t* same)
{
    bool busy = false;
    for (int w = 0; w < words; ++w) {
        std::uint32_t c = 0, s = 0;
        for (int i = 0; i < kWordBits; ++i) {
            const std::uint8_t image = p[i], mask = p[i + length];
            c |= std::uint32_t((image & ~mask) == 0) << i;
            s |= std::uint32_t(image == mask) << i;
        }
        covered[w] = c;
        same[w] = s;
        busy |= hasFullHalf(c);
        p += kWordBits;
    }
    return busy;
}

#ifdef PQ_X86
bool flagsSse2(const std::uint8_t* p, std::int64_t length, int words, std::uint32_t* covered, std::uint32_t* same)
{
    const __m128i zero = _mm_setzero_si128();
    bool busy = false;
    for (int w = 0; w < words; ++w) {
        std::uint32_t c = 0, s = 0;
        for (int half = 0; half < 2; ++half) {
            const __m128i image = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half + length));
            const __m128i outside = _mm_andnot_si128(mask, image);
            c |= std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(outside, zero))) << (16 * half);
            s |= std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(image, mask))) << (16 * half);
        }
        covered[w] = c;
        same[w] = s;
        busy |= hasFullHalf(c);
        p += kWordBits;
    }
    return busy;
}

__attribute__((target("avx2"))) bool flagsAvx2(const std::uint8_t* p, std::int64_t length, int words,
                                               std::uint32_t* covered, std::uint32_t* same)
{
    const __m256i zero = _mm256_setzero_si256();
    bool busy = false;
    for (int w = 0; w < words; ++w) {
        const __m256i image = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i mask = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + length));
        const __m256i outside = _mm256_andnot_si256(mask, image);
        const auto c = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(outside, zero)));
        covered[w] = c;
        same[w] = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(image, mask)));
        busy |= hasFullHalf(c);
        p += kWordBits;
    }
    return busy;
}
#endif

} // namespace

struct FlagKernelChoice {
    FlagKernel function;
    std::string_view name;
};

namespace {

// Best first; the scalar one runs everywhere.
std::vector<const FlagKernelChoice*> availableKernels()
{
    static const FlagKernelChoice scalar{&flagsScalar, "scalar"};
    std::vector<const FlagKernelChoice*> kernels;
#ifdef PQ_X86
    static const FlagKernelChoice avx2{&flagsAvx2, "avx2"}, sse2{&flagsSse2, "sse2"};
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        kernels.push_back(&avx2);
    kernels.push_back(&sse2);
#endif
    kernels.push_back(&scalar);
    return kernels;
}

const FlagKernelChoice* bestKernel()
{
    static const FlagKernelChoice* best = availableKernels().front();
    return best;
}

// Follows the runs of covered and of equal flags word by word and reports the offsets that
// start a run of `length` covered flags, except those inside a run of at least 2 × `length`
// equal flags (data repeating every `length` bytes for three planes or more).
class RunSearch {
public:
    // Reports only offsets in [begin, end).
    RunSearch(std::int64_t length, std::int64_t begin, std::int64_t end, const CoveredWindowFinder::Visit& visit)
        : m_length(length), m_begin(begin), m_end(end), m_visit(visit)
    {
    }

    // The flags of positions [p, p + 32).
    void add(std::int64_t p, std::uint32_t covered, std::uint32_t same)
    {
        // Equal flags imply covered flags, so a run of equal flags ends no later than the run
        // of covered flags around it: handle it first.
        if (same == ~0u) {
            m_sameRun += kWordBits;
        } else {
            const int lead = std::countr_one(same);
            if (m_sameRun + lead >= 2 * m_length)
                m_excluded.push_back({p + lead - m_sameRun - lead, p + lead - m_length});
            m_sameRun = std::countl_one(same);
        }
        if (covered == ~0u) {
            m_coveredRun += kWordBits;
        } else {
            const int lead = std::countr_one(covered);
            if (m_coveredRun + lead >= m_length)
                report(p + lead - m_coveredRun - lead, p + lead - m_length);
            m_excluded.clear();
            m_coveredRun = std::countl_one(covered);
        }
    }

    // Ends the runs at position p.
    void finish(std::int64_t p) { add(p, 0, 0); }

    // Takes the flags of the last word of a stretch in which every run that ended was shorter
    // than 31 (after the stretch's first word had been added): only the carried runs matter.
    void resume(std::uint32_t covered, std::uint32_t same)
    {
        m_excluded.clear();
        m_coveredRun = std::countl_one(covered);
        m_sameRun = std::countl_one(same);
    }

private:
    struct Range {
        std::int64_t first, last;
    };

    void report(std::int64_t first, std::int64_t last)
    {
        first = std::max(first, m_begin);
        last = std::min(last, m_end - 1);
        for (const Range& gap : m_excluded) {
            if (gap.first > first && first <= last)
                m_visit(first, std::min(last, gap.first - 1));
            first = std::max(first, gap.last + 1);
        }
        if (first <= last)
            m_visit(first, last);
    }

    std::int64_t m_length, m_begin, m_end;
    const CoveredWindowFinder::Visit& m_visit;
    std::int64_t m_coveredRun = 0, m_sameRun = 0;
    std::vector<Range> m_excluded;
};

} // namespace

CoveredWindowFinder::CoveredWindowFinder(std::span<const std::uint8_t> bytes, std::int64_t planeLength,
                                         std::string_view instructionSet)
    : m_bytes(bytes), m_planeLength(planeLength), m_kernel(bestKernel())
{
    for (const FlagKernelChoice* kernel : availableKernels())
        if (kernel->name == instructionSet)
            m_kernel = kernel;
}

const char* CoveredWindowFinder::instructionSet()
{
    return bestKernel()->name.data();
}

std::vector<std::string_view> CoveredWindowFinder::availableInstructionSets()
{
    std::vector<std::string_view> names;
    for (const FlagKernelChoice* kernel : availableKernels())
        names.push_back(kernel->name);
    return names;
}

void CoveredWindowFinder::find(std::int64_t begin, std::int64_t end, const Visit& visit) const
{
    const std::int64_t length = m_planeLength;
    const auto size = std::int64_t(m_bytes.size());
    begin = std::max<std::int64_t>(begin, 0);
    end = std::min(end, size - 2 * length + 1);
    if (length <= 0 || begin >= end)
        return;
    // Offset o needs the covered flags of [o, o + length); whether it lies in a run of 2 ×
    // length equal flags shows within [o - length, o + 2 × length). A flag at p reads the byte
    // p + length. Looking that far either way makes the answer independent of [begin, end).
    const std::int64_t flagBegin = std::max<std::int64_t>(0, begin - length);
    const std::int64_t flagEnd = std::min(end + 2 * length - 1, size - length);
    const std::uint8_t* bytes = m_bytes.data();
    const FlagKernel flags = m_kernel->function;

    RunSearch search(length, begin, end, visit);
    std::uint32_t covered[kBlockWords], same[kBlockWords];
    std::int64_t p = flagBegin;
    // Whole words whose loads stay inside the data, a block at a time.
    while (p + kWordBits <= flagEnd) {
        const int words = int(std::min<std::int64_t>(kBlockWords, (flagEnd - p) / kWordBits));
        if (flags(bytes + p, length, words, covered, same)) {
            for (int w = 0; w < words; ++w)
                search.add(p + std::int64_t(w) * kWordBits, covered[w], same[w]);
        } else { // the usual case: only the runs carried in and out of the block matter
            search.add(p, covered[0], same[0]);
            if (words > 1)
                search.resume(covered[words - 1], same[words - 1]);
        }
        p += std::int64_t(words) * kWordBits;
    }
    if (p < flagEnd) { // the last partial word, flags past flagEnd left clear
        std::uint32_t c = 0, s = 0;
        for (int i = 0; p + i < flagEnd; ++i) {
            const std::uint8_t image = bytes[p + i], mask = bytes[p + i + length];
            c |= std::uint32_t((image & ~mask) == 0) << i;
            s |= std::uint32_t(image == mask) << i;
        }
        search.add(p, c, s);
        p += kWordBits;
    }
    search.finish(p);
}

} // namespace pq
