#pragma once

#include <cstdint>
#include <cstring>

// One complex value held as two doubles (real, imaginary) in a single vector register.
// The transform stores its data as floats but does every butterfly in double, so each
// value is widened on load and rounded once on store. GCC/Clang vector extensions keep
// this portable while giving one instruction per complex add or subtract.
namespace spectrum::detail {

using Float2 = float __attribute__((vector_size(8)));
using Complex = double __attribute__((vector_size(16)));
using Bits = std::int64_t __attribute__((vector_size(16)));

inline Complex Load(const float* p)
{
    Float2 f;
    std::memcpy(&f, p, sizeof f);
    return __builtin_convertvector(f, Complex);
}

inline void Store(float* p, Complex v)
{
    const Float2 f = __builtin_convertvector(v, Float2);
    std::memcpy(p, &f, sizeof f);
}

inline Complex Broadcast(double x)
{
    return Complex{x, x};
}
inline Complex Swap(Complex v)
{
    return __builtin_shufflevector(v, v, 1, 0);
}

// Sign flips are done on the bits, which is exact and costs no multiply.
inline Complex Conj(Complex v)
{
    return (Complex)((Bits)v ^ Bits{0, INT64_MIN});
}

// -i v = (im, -re)
inline Complex MulMinusI(Complex v)
{
    return Conj(Swap(v));
}

// v w for w = (c, s) standing for c + i s.
inline Complex Mul(Complex v, Complex w)
{
    const Complex re = __builtin_shufflevector(v, v, 0, 0);
    const Complex im = __builtin_shufflevector(v, v, 1, 1);
    const Complex iw = (Complex)((Bits)Swap(w) ^ Bits{INT64_MIN, 0}); // i w = (-s, c)
    return re * w + im * iw;
}

} // namespace spectrum::detail
