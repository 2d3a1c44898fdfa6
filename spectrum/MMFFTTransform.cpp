#include "spectrum/ComplexPair.h"
#include "spectrum/MMFFT.h"

#include <cstdint>
#include <cstring>

using namespace spectrum::detail;

namespace {

constexpr double SqrtHalf = 0.70710677f; // the float value of sqrt(1/2), for eighth turns

// Complex value j of an interleaved float array.
inline float* At(float* z, int j)
{
    return z + 2 * j;
}

// The split-radix L-butterfly on z[j], z[j + q], z[j + 2q], z[j + 3q] with q = L/4:
// the first two take the sums (the even half of the outputs), the last two the
// differences turned by -i, rotated by w^j and w^3j (outputs 4k+1 and 4k+3).
// The rotation is supplied by 'rotate' so the twiddle-free and eighth-turn cases
// share the same butterfly.
template <typename Rotate>
inline void LButterfly(float* z0, float* z1, float* z2, float* z3, Rotate rotate)
{
    const Complex a = Load(z0);
    const Complex b = Load(z1);
    const Complex c = Load(z2);
    const Complex d = Load(z3);
    Store(z0, a + c);
    Store(z1, b + d);
    const Complex ac = a - c;
    const Complex turned = MulMinusI(b - d);
    Complex u = ac + turned;
    Complex v = ac - turned;
    rotate(u, v);
    Store(z2, u);
    Store(z3, v);
}

inline void NoRotation(Complex&, Complex&) {}

// w^j = e^(-i pi/4) and w^3j = e^(-3i pi/4), whose parts are all +-sqrt(1/2).
inline void EighthTurn(Complex& u, Complex& v)
{
    const Complex half = Broadcast(SqrtHalf);
    u = half * (u + MulMinusI(u));
    v = half * (MulMinusI(v) - v);
}

inline void Butterfly2(float* z)
{
    const Complex a = Load(At(z, 0));
    const Complex b = Load(At(z, 1));
    Store(At(z, 0), a + b);
    Store(At(z, 1), a - b);
}

// The 4-point transform in place, outputs in bit-reversed order (X0, X2, X1, X3).
inline void Butterfly4(float* z)
{
    LButterfly(At(z, 0), At(z, 1), At(z, 2), At(z, 3), NoRotation);
    Butterfly2(z);
}

// One decimation-in-frequency pass over a block of 'points' complex values; the
// twiddle for j is table record j * stride - 1 (the table starts at k = 1).
void SplitRadixPass(float* z, int points, const TwiddleRecord* twiddle, int stride)
{
    const int q = points / 4;
    float* z1 = At(z, q);
    float* z2 = At(z, 2 * q);
    float* z3 = At(z, 3 * q);
    LButterfly(z, z1, z2, z3, NoRotation);
    const int eighth = q / 2;
    const TwiddleRecord* record = twiddle + stride - 1;
    for (int j = 1; j < q; ++j, record += stride) {
        if (j == eighth) {
            LButterfly(At(z, j), At(z1, j), At(z2, j), At(z3, j), EighthTurn);
            continue;
        }
        const Complex w1 = Complex{record->Cos1, record->NegSin1};
        const Complex w3 = Complex{record->Cos3, record->NegSin3};
        LButterfly(At(z, j), At(z1, j), At(z2, j), At(z3, j), [&](Complex& u, Complex& v) {
            u = Mul(u, w1);
            v = Mul(v, w3);
        });
    }
}

// In-place split-radix DIF transform of 'points' complex values; output bit-reversed.
void ComplexTransform(float* z, int points, const TwiddleRecord* twiddle, int stride)
{
    if (points == 4) {
        Butterfly4(z);
        return;
    }
    if (points == 2) {
        Butterfly2(z);
        return;
    }
    if (points < 2)
        return;
    SplitRadixPass(z, points, twiddle, stride);
    ComplexTransform(z, points / 2, twiddle, stride * 2);
    ComplexTransform(At(z, points / 2), points / 4, twiddle, stride * 4);
    ComplexTransform(At(z, 3 * points / 4), points / 4, twiddle, stride * 4);
}

void BitReverse(float* z, const std::int32_t* bitRev, int points)
{
    for (int i = 0; i < points; ++i) {
        const int r = bitRev[i];
        if (i < r) {
            std::uint64_t a, b;
            std::memcpy(&a, At(z, i), sizeof a);
            std::memcpy(&b, At(z, r), sizeof b);
            std::memcpy(At(z, i), &b, sizeof b);
            std::memcpy(At(z, r), &a, sizeof a);
        }
    }
}

// Turns Z = FFT_N(x[2j] + i x[2j+1]) into bins 0 ... N-1 of the real input's DFT.
// Pair (k, N - k) only reads and writes itself, so the pass is in place.
void SplitRealSpectrum(float* z, const SplitRecord* split, int points)
{
    z[0] = static_cast<float>(static_cast<double>(z[0]) + z[1]);
    z[1] = 0.0f;
    for (int k = 1; k < points / 2; ++k) {
        const SplitRecord& r = split[k - 1];
        const Complex f = Load(At(z, k));
        const Complex g = Load(At(z, points - k));
        const Complex ab = f - Conj(g);
        const Complex pq = ab * Broadcast(r.HalfOneMinusSin) + MulMinusI(ab) * Broadcast(r.HalfCos);
        Store(At(z, k), pq + Conj(g));
        Store(At(z, points - k), Conj(f - pq));
    }
    if (points >= 2)
        z[points + 1] = -z[points + 1]; // Im Z[N/2]
}

} // namespace

void RunRealTransform(const TransformPlan* plan, float* data, int direction)
{
    if (plan == nullptr || data == nullptr)
        return;
    const int points = plan->Length / 2;
    ComplexTransform(data, points, plan->Twiddle.get(), 1);
    BitReverse(data, plan->BitRev.get(), points);
    SplitRealSpectrum(data, plan->Split.get(), points);
    if (direction < 0) {
        // For real input the positive-kernel transform is the conjugate of the
        // negative-kernel one, so the same butterflies serve and only the sign of
        // the imaginary parts and the 1/n scale differ.
        for (int i = 0; i < plan->Length; i += 2) {
            data[i] *= plan->InvLength;
            data[i + 1] *= -plan->InvLength;
        }
    }
}
