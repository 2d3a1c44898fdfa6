#pragma once

// The forward transform's kernels, in an anonymous namespace: FftKernelBaseline.cpp
// and FftKernelAvx2.cpp each compile their own copy for their own processor.

#include "spectrum/ComplexPair.h"
#include "spectrum/MMFFT.h"

namespace {

// The rotation of j = 0, which the twiddle table does not hold (its entry 0 is k = 1).
// Multiplying by it is exact.
constexpr TwiddleRecord Unity{1.0f, 0.0f, 1.0f, 0.0f};

// Complex value j of an interleaved float array.
inline float* At(float* z, int j)
{
    return z + 2 * j;
}

// w^j and w^3j of two neighbouring butterflies, from their table records.
inline void LoadRotations(const TwiddleRecord& first, const TwiddleRecord& second, Complex2& w1,
                          Complex2& w3)
{
    Float4 a, b;
    std::memcpy(&a, &first, sizeof a);
    std::memcpy(&b, &second, sizeof b);
    w1 = Widen(__builtin_shufflevector(a, b, 0, 1, 4, 5));
    w3 = Widen(__builtin_shufflevector(a, b, 2, 3, 6, 7));
}

// Two split-radix L-butterflies (eight complex values), for j and j + 1 of a block of
// L points with quarters z, z1, z2, z3. The butterfly on a = z[j], b = z[j + L/4],
// c = z[j + L/2], d = z[j + 3L/4] stores the sums a + c and b + d (the even outputs)
// and the differences turned by -i and rotated by w^j and w^3j (outputs 4k+1 and
// 4k+3). The sums are single roundings, done in float; the rotated differences are
// worked out in double and rounded when stored.
inline void ButterflyPair(float* z, float* z1, float* z2, float* z3, int j, Complex2 w1,
                          Complex2 w3)
{
    const Float4 a = LoadFloats(At(z, j));
    const Float4 b = LoadFloats(At(z1, j));
    const Float4 c = LoadFloats(At(z2, j));
    const Float4 d = LoadFloats(At(z3, j));
    StoreFloats(At(z, j), a + c);
    StoreFloats(At(z1, j), b + d);
    const Complex2 ac = Widen(a) - Widen(c);
    const Complex2 turned = MulMinusI(Widen(b) - Widen(d));
    Store(At(z2, j), Mul(ac + turned, w1));
    Store(At(z3, j), Mul(ac - turned, w3));
}

// One decimation-in-frequency pass over a block of 'points' (>= 16) complex values.
// The rotation of j is table record j * stride - 1; the eighth turn (j = L/8) comes
// from the table too: its record holds +-0.70710677 exactly.
inline void SplitRadixPass(float* z, int points, const TwiddleRecord* twiddle, int stride)
{
    const int q = points / 4;
#pragma GCC unroll 4
    for (int j = 0; j < q; j += 2) {
        Complex2 w1, w3;
        LoadRotations(j == 0 ? Unity : twiddle[j * stride - 1], twiddle[(j + 1) * stride - 1], w1,
                      w3);
        ButterflyPair(z, At(z, q), At(z, 2 * q), At(z, 3 * q), j, w1, w3);
    }
}

// The pass of an 8-point block: j = 0 needs no rotation and j = 1 is the eighth turn,
// all of whose parts are +-sqrt(1/2) = +-0.70710677 as a float.
inline void EighthTurnPass(float* z)
{
    constexpr double h = 0.70710677f;
    ButterflyPair(z, At(z, 2), At(z, 4), At(z, 6), 0, Complex2{1, 0, h, -h},
                  Complex2{1, 0, -h, -h});
}

inline void Butterfly2(float* z)
{
    StoreFloats(z, FloatSumAndDifference(LoadFloats(z)));
}

// The 4-point transform, outputs in bit-reversed order (X0, X2, X1, X3).
inline void Butterfly4(float* z)
{
    const Float4 ab = LoadFloats(At(z, 0));
    const Float4 cd = LoadFloats(At(z, 2));
    const Complex2 diffs = Widen(ab) - Widen(cd);          // (a - c, b - d)
    StoreFloats(At(z, 0), FloatSumAndDifference(ab + cd)); // 2-point of (a + c, b + d)
    // (a - c) +- (-i (b - d))
    Store(At(z, 2), FirstTwice(diffs) + NegateSecond(MulMinusI(SecondTwice(diffs))));
}

// Small transforms unrolled at compile time; output bit-reversed.
template <int Points>
__attribute__((always_inline)) inline void FixedTransform(float* z, const TwiddleRecord* twiddle,
                                                          int stride)
{
    if constexpr (Points == 2) {
        Butterfly2(z);
    } else if constexpr (Points == 4) {
        Butterfly4(z);
    } else {
        if constexpr (Points == 8)
            EighthTurnPass(z);
        else
            SplitRadixPass(z, Points, twiddle, stride);
        FixedTransform<Points / 2>(z, twiddle, stride * 2);
        FixedTransform<Points / 4>(At(z, Points / 2), twiddle, stride * 4);
        FixedTransform<Points / 4>(At(z, 3 * Points / 4), twiddle, stride * 4);
    }
}

// In-place split-radix DIF transform of 'points' complex values; output bit-reversed.
void ComplexTransform(float* z, int points, const TwiddleRecord* twiddle, int stride)
{
    switch (points) {
    case 1:
        return;
    case 2:
        return FixedTransform<2>(z, twiddle, stride);
    case 4:
        return FixedTransform<4>(z, twiddle, stride);
    case 8:
        return FixedTransform<8>(z, twiddle, stride);
    case 16:
        return FixedTransform<16>(z, twiddle, stride);
    case 32:
        return FixedTransform<32>(z, twiddle, stride);
    default:
        SplitRadixPass(z, points, twiddle, stride);
        ComplexTransform(z, points / 2, twiddle, stride * 2);
        ComplexTransform(At(z, points / 2), points / 4, twiddle, stride * 4);
        ComplexTransform(At(z, 3 * points / 4), points / 4, twiddle, stride * 4);
    }
}

// Swaps every i with its reversal r = BitRev[i] once. An odd i below N/2 always has
// its partner at or above N/2 and an even i at or above N/2 always below, so only the
// other half of the positions needs the comparison.
inline void BitReverse(float* z, const std::int32_t* bitRev, int points)
{
    auto swap = [z](int i, int r) {
        std::uint64_t a, b;
        std::memcpy(&a, At(z, i), sizeof a);
        std::memcpy(&b, At(z, r), sizeof b);
        std::memcpy(At(z, i), &b, sizeof b);
        std::memcpy(At(z, r), &a, sizeof a);
    };
    if (points < 4)
        return; // one bit or none: nothing moves
    const int half = points / 2;
    for (int i = 0; i < half; i += 2) {
        if (i < bitRev[i])
            swap(i, bitRev[i]);
        swap(i + 1, bitRev[i + 1]);
    }
    for (int i = half + 1; i < points; i += 2) {
        if (i < bitRev[i])
            swap(i, bitRev[i]);
    }
}

// X[k] and X[N - k] from F = Z[k], G = Z[N - k] and the split factors of k.
template <typename V> inline void SplitValues(V f, V g, V factors, V& xk, V& xMirror)
{
    const V ab = f - Conj(g);
    const V pq = ab * ImagParts(factors) + MulMinusI(ab) * RealParts(factors);
    xk = pq + Conj(g);
    xMirror = Conj(f - pq);
}

// Turns Z = FFT_N(x[2j] + i x[2j+1]) into bins 0 ... N-1 of the real input's DFT.
// Each pair (k, N - k) only reads and writes itself, so the step is in place. Two
// pairs go through one vector, but each value is loaded on its own: the permutation
// has just stored them one by one, and a wide load over two fresh stores stalls.
inline void SplitRealSpectrum(float* z, const SplitRecord* split, int points)
{
    z[0] = static_cast<float>(static_cast<double>(z[0]) + z[1]);
    z[1] = 0.0f;
    int k = 1;
    for (; k + 1 < points / 2; k += 2) {
        const int mirror = points - k;
        Complex2 xk, xMirror;
        SplitValues(Gather(At(z, k), At(z, k + 1)), Gather(At(z, mirror), At(z, mirror - 1)),
                    Load<Complex2>(reinterpret_cast<const float*>(&split[k - 1])), xk, xMirror);
        Store(At(z, k), xk);
        Store(At(z, mirror - 1), Reversed(xMirror));
    }
    for (; k < points / 2; ++k) {
        Complex1 xk, xMirror;
        SplitValues(Load<Complex1>(At(z, k)), Load<Complex1>(At(z, points - k)),
                    Load<Complex1>(reinterpret_cast<const float*>(&split[k - 1])), xk, xMirror);
        Store(At(z, k), xk);
        Store(At(z, points - k), xMirror);
    }
    if (points >= 2)
        z[points + 1] = -z[points + 1]; // Im Z[N/2]
}

inline void ForwardTransform(float* data, int points, const TwiddleRecord* twiddle,
                             const std::int32_t* bitRev, const SplitRecord* split)
{
    ComplexTransform(data, points, twiddle, 1);
    BitReverse(data, bitRev, points);
    SplitRealSpectrum(data, split, points);
}

} // namespace
