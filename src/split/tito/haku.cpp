#include "split/tito/haku.h"

#include <bit>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace split::tito {

namespace {

// The first "T00" in b[p, n) a byte at a time: the tail of the wider searches.
std::size_t etsiT00Tavuittain(const char* b, std::size_t p, std::size_t n) {
  for (; p + 3 <= n; ++p)
    if (b[p] == 'T' && b[p + 1] == '0' && b[p + 2] == '0') return p;
  return eiT00;
}

#if defined(__SSE2__)
// Thirty-two bytes at once; the tail in plain code, as SSE code right after AVX code without
// a vzeroupper between costs more than the search.
__attribute__((target("avx2"))) std::size_t etsiT00Avx2(const char* b, std::size_t p, std::size_t n) {
  const __m256i t = _mm256_set1_epi8('T'), nolla = _mm256_set1_epi8('0');
  for (; p + 34 <= n; p += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + p));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + p + 1));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + p + 2));
    const unsigned m = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(
        _mm256_and_si256(_mm256_cmpeq_epi8(a, t), _mm256_cmpeq_epi8(c, nolla)), _mm256_cmpeq_epi8(d, nolla))));
    if (m != 0) return p + static_cast<std::size_t>(std::countr_zero(m));
  }
  return etsiT00Tavuittain(b, p, n);
}

bool onAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
const bool leveaHaku = onAvx2();
#else
constexpr bool leveaHaku = false;
#endif

}  // namespace

// The first "T00" in b[i, n), or eiT00. Every TITO line begins with a T, so a search for T
// alone stops at every line; sixteen or thirty-two bytes are tried at once where the
// processor can.
std::size_t etsiT00(const char* b, std::size_t i, std::size_t n, bool kapea) {
  std::size_t p = i;
#if defined(__SSE2__)
  if (leveaHaku && !kapea) return etsiT00Avx2(b, i, n);
  const __m128i t = _mm_set1_epi8('T'), nolla = _mm_set1_epi8('0');
  for (; p + 18 <= n; p += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + p));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + p + 1));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + p + 2));
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, t), _mm_cmpeq_epi8(c, nolla)), _mm_cmpeq_epi8(d, nolla))));
    if (m != 0) return p + static_cast<std::size_t>(std::countr_zero(m));
  }
#endif
  return etsiT00Tavuittain(b, p, n);
}

}  // namespace split::tito
