#pragma once

// For the loops that run over every pixel: the function is compiled twice, for the
// baseline x86-64 and for AVX2, and the loader picks the one this processor runs. The
// results are the same; only the width of the vectors differs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define CORVANTI_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVANTI_VECTOR_CLONES
#endif
