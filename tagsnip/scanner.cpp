// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/scanner.hpp"

#include <cstring>

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace tagsnip {
namespace {

#if defined(__SSE2__)
// First occurrence of a tag of two or more bytes: 32 positions at a time
// are tested for the tag's first and last byte together, which in text
// rarely meet at the tag's distance; only where they do are the bytes
// between compared. The positions left at the end go to memmem.
const char* search_sse2(const char* from, std::size_t size, const char* tag, std::size_t length)
{
    const __m128i first = _mm_set1_epi8(tag[0]);
    const __m128i last = _mm_set1_epi8(tag[length - 1]);
    const std::size_t span = length - 1;
    std::size_t i = 0;
    for (; i + span + 32 <= size; i += 32) {
        const char* p = from + i;
        const __m128i f0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i f1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i l0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + span));
        const __m128i l1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + span + 16));
        const unsigned low = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(f0, first), _mm_cmpeq_epi8(l0, last))));
        const unsigned high = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(f1, first), _mm_cmpeq_epi8(l1, last))));
        for (unsigned mask = low | high << 16; mask != 0; mask &= mask - 1) {
            const char* at = p + __builtin_ctz(mask);
            if (memcmp(at + 1, tag + 1, length - 2) == 0)
                return at;
        }
    }
    return static_cast<const char*>(memmem(from + i, size - i, tag, length));
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAGSNIP_AVX2_SEARCH 1
// The same 64 positions at a time, for processors with AVX2.
__attribute__((target("avx2"))) const char* search_avx2(const char* from, std::size_t size, const char* tag,
                                                        std::size_t length)
{
    const __m256i first = _mm256_set1_epi8(tag[0]);
    const __m256i last = _mm256_set1_epi8(tag[length - 1]);
    const std::size_t span = length - 1;
    std::size_t i = 0;
    for (; i + span + 64 <= size; i += 64) {
        const char* p = from + i;
        const __m256i f0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i f1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i l0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + span));
        const __m256i l1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + span + 32));
        const auto low = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(f0, first), _mm256_cmpeq_epi8(l0, last))));
        const auto high = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(f1, first), _mm256_cmpeq_epi8(l1, last))));
        for (std::uint64_t mask = low | std::uint64_t{high} << 32; mask != 0; mask &= mask - 1) {
            const char* at = p + __builtin_ctzll(mask);
            if (memcmp(at + 1, tag + 1, length - 2) == 0)
                return at;
        }
    }
    return search_sse2(from + i, size - i, tag, length);
}
#endif

#if defined(TAGSNIP_AVX2_SEARCH)
int has_avx2 = -1;  // not yet asked
#endif

const char* search(const char* from, std::size_t size, const char* tag, std::size_t length)
{
#if defined(TAGSNIP_AVX2_SEARCH)
    if (has_avx2 < 0)
        has_avx2 = __builtin_cpu_supports("avx2") ? 1 : 0;
    if (has_avx2 != 0)
        return search_avx2(from, size, tag, length);
#endif
#if defined(__SSE2__)
    return search_sse2(from, size, tag, length);
#else
    return static_cast<const char*>(memmem(from, size, tag, length));
#endif
}

}  // namespace

const char* find_tag(const char* from, const char* to, const char* tag, std::size_t length)
{
    if (to <= from || length == 0 || static_cast<std::size_t>(to - from) < length)
        return nullptr;
    const std::size_t size = static_cast<std::size_t>(to - from);
    if (length == 1)
        return static_cast<const char*>(memchr(from, tag[0], size));
    if (memchr(tag, '\n', length - 1) != nullptr)
        return nullptr;
    return search(from, size, tag, length);
}

const char* find_tag_line(const char* from, const char* to, const char* tag, std::size_t length)
{
    while (from < to) {
        const char* m = find_tag(from, to, tag, length);
        if (m == nullptr)
            return nullptr;
        const char* le = scan_detail::line_end(m, to);
        // Only a line that begins with the tag can be it: the first
        // occurrence from a line's start is at that start if anywhere.
        if (m == from || m[-1] == '\n') {
            const char* content_end = le;
            if (content_end > m && content_end[-1] == '\n') {
                --content_end;
                if (content_end > m && content_end[-1] == '\r')
                    --content_end;
            }
            if (static_cast<std::size_t>(content_end - m) == length)
                return m;
        }
        from = le;
    }
    return nullptr;
}

bool needs_line_pieces(action a)
{
    return a == action::enumerate || a == action::highlight;
}

bool writes_input_unchanged(const run_settings& s, const line_range& lines)
{
    const bool selects_nothing = lines.from < 1 || (lines.to != 0 && lines.to < lines.from);
    switch (s.act) {
    case action::cat:
    case action::insert_front:
    case action::insert_back:
    case action::replace:
    case action::remove:
        return s.begin_tag == nullptr && selects_nothing;
    default:
        return false;
    }
}

}  // namespace tagsnip
