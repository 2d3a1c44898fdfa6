#pragma once

// Complex values held as doubles in vector registers: Complex1 holds one (real,
// imaginary), Complex2 two neighbouring ones. The transform keeps its data as floats
// but works out every butterfly output in double, so values are widened on load and
// rounded once on store (outputs that are one float sum need neither; see LoadFloats).
//
// This header is compiled once per instruction set (see FftKernels.h), so everything
// in it has internal linkage: copies built for different processors never merge.
// The including file brings in the headers below before choosing its target.

#include <cstdint>
#include <cstring>
#include <immintrin.h>

// These functions never cross a file boundary, so the calling convention of 32-byte
// vectors in the baseline build does not matter (GCC's note about it is switched
// off for the whole build).

namespace {

using Float4 = float __attribute__((vector_size(16)));
using Complex1 = double __attribute__((vector_size(16)));
using Complex2 = double __attribute__((vector_size(32)));

template <typename V> constexpr int Width = sizeof(V) / 16; // complex values per vector

template <typename V> inline V Load(const float* p);
template <typename V> inline void Store(float* p, V v);

template <> inline Complex1 Load<Complex1>(const float* p)
{
    return (Complex1)_mm_cvtps_pd(
        _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

template <> inline void Store<Complex1>(float* p, Complex1 v)
{
    _mm_storel_pi(reinterpret_cast<__m64*>(p), _mm_cvtpd_ps((__m128d)v));
}

#if defined(SONAVIA_FFT_BUILD_AVX2)
inline Complex2 Widen(Float4 f)
{
    return (Complex2)_mm256_cvtps_pd((__m128)f);
}

template <> inline Complex2 Load<Complex2>(const float* p)
{
    return Widen((Float4)_mm_loadu_ps(p));
}

template <> inline void Store<Complex2>(float* p, Complex2 v)
{
    _mm_storeu_ps(p, _mm256_cvtpd_ps((__m256d)v));
}
#else
inline Complex2 Widen(Float4 f)
{
    return __builtin_convertvector(f, Complex2);
}

template <> inline Complex2 Load<Complex2>(const float* p)
{
    Float4 f;
    std::memcpy(&f, p, sizeof f);
    return Widen(f);
}

template <> inline void Store<Complex2>(float* p, Complex2 v)
{
    const Float4 f = __builtin_convertvector(v, Float4);
    std::memcpy(p, &f, sizeof f);
}
#endif

// Lane-wise helpers; each complex value is treated on its own.
inline Complex1 SwapParts(Complex1 v)
{
    return __builtin_shufflevector(v, v, 1, 0);
}
inline Complex2 SwapParts(Complex2 v)
{
    return __builtin_shufflevector(v, v, 1, 0, 3, 2);
}
inline Complex1 RealParts(Complex1 v)
{
    return __builtin_shufflevector(v, v, 0, 0);
}
inline Complex2 RealParts(Complex2 v)
{
    return __builtin_shufflevector(v, v, 0, 0, 2, 2);
}
inline Complex1 ImagParts(Complex1 v)
{
    return __builtin_shufflevector(v, v, 1, 1);
}
inline Complex2 ImagParts(Complex2 v)
{
    return __builtin_shufflevector(v, v, 1, 1, 3, 3);
}

// Sign flips are done on the bits: exact, and no multiply.
template <typename V> struct BitsOf;
template <> struct BitsOf<Complex1> {
    using Type = std::int64_t __attribute__((vector_size(16)));
};
template <> struct BitsOf<Complex2> {
    using Type = std::int64_t __attribute__((vector_size(32)));
};

template <typename V> inline V FlipSigns(V v, bool real, bool imag)
{
    using Bits = typename BitsOf<V>::Type;
    Bits mask{};
    for (int i = 0; i < 2 * Width<V>; i += 2) {
        mask[i] = real ? INT64_MIN : 0;
        mask[i + 1] = imag ? INT64_MIN : 0;
    }
    return (V)((Bits)v ^ mask);
}

template <typename V> inline V Conj(V v)
{
    return FlipSigns(v, false, true);
}

// -i v = (im, -re)
template <typename V> inline V MulMinusI(V v)
{
    return Conj(SwapParts(v));
}

// v w, each w = (c, s) standing for c + i s: (re c - im s, re s + im c).
template <typename V> inline V Mul(V v, V w)
{
    const V re = RealParts(v) * w;
    const V im = ImagParts(v) * SwapParts(w);
#if defined(SONAVIA_FFT_BUILD_AVX2)
    // One instruction for the subtract and the add; the same roundings as below.
    if constexpr (Width<V> == 2)
        return (V)_mm256_addsub_pd((__m256d)re, (__m256d)im);
    else
        return (V)_mm_addsub_pd((__m128d)re, (__m128d)im);
#else
    return re + FlipSigns(im, true, false);
#endif
}

// Two complex values from separate places, each by its own 8-byte load.
inline Complex2 Gather(const float* first, const float* second)
{
    const __m128 low = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)));
    return Widen((Float4)_mm_loadh_pi(low, reinterpret_cast<const __m64*>(second)));
}

// The complex values of a vector in reverse order.
inline Complex1 Reversed(Complex1 v)
{
    return v;
}
inline Complex2 Reversed(Complex2 v)
{
    return __builtin_shufflevector(v, v, 2, 3, 0, 1);
}

// (a, b) -> (a, a) and (b, b).
inline Complex2 FirstTwice(Complex2 v)
{
    return __builtin_shufflevector(v, v, 0, 1, 0, 1);
}
inline Complex2 SecondTwice(Complex2 v)
{
    return __builtin_shufflevector(v, v, 2, 3, 2, 3);
}

// (a, b) -> (a, -b)
inline Complex2 NegateSecond(Complex2 v)
{
    using Bits = BitsOf<Complex2>::Type;
    return (Complex2)((Bits)v ^ Bits{0, 0, INT64_MIN, INT64_MIN});
}

// Four floats (two complex values) as stored, without widening. A sum or difference
// of two floats rounded once to float is the same value whether it is worked out in
// float or in double, so such steps need no conversion.
inline Float4 LoadFloats(const float* p)
{
    Float4 f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

inline void StoreFloats(float* p, Float4 f)
{
    std::memcpy(p, &f, sizeof f);
}

// (a, b) -> (a + b, a - b) on two complex floats.
inline Float4 FloatSumAndDifference(Float4 v)
{
    using Bits = std::int32_t __attribute__((vector_size(16)));
    const Float4 first = __builtin_shufflevector(v, v, 0, 1, 0, 1);
    const Float4 second = __builtin_shufflevector(v, v, 2, 3, 2, 3);
    return first + (Float4)((Bits)second ^ Bits{0, 0, INT32_MIN, INT32_MIN});
}

} // namespace
