#pragma once
// The loops that form every gauge's sums side by side are compiled twice, for processors
// with AVX2 and for any x86-64 processor, and the loader picks one at start-up. Both
// perform the same operations in the same order (no fused multiply-add), so both give the
// same bits; the wider one only does more of them at a time. ThreadSanitizer builds have
// one version: the loader runs the picking code before the sanitizer's runtime has started,
// and the sanitizer's hooks in it would crash there. Builds configured with
// -DFLOWPLEX_VECTOR_CLONES=OFF have only the portable version.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(FLOWPLEX_NO_VECTOR_CLONES)
#define FLOWPLEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FLOWPLEX_VECTOR_CLONES
#endif
