#pragma once

#include <cstdint>
#include <memory>

// Window tables and an in-place real-input FFT for the spectrum analyser.
// Plain procedures over a plan record and caller-owned arrays: the analyser keeps
// one plan per transform length and runs it on every captured block.

enum TMMFFTWindow : std::uint8_t {
    fwRectangular = 0,
    fwHamming = 1,
    fwHanning = 2,
    fwBlackman = 3,
    fwGaussian = 4,
    fwWelch = 5,
    fwParzen = 6
};

// Weight of sample i of an n-sample window (0 <= i < n). The cosine windows are
// periodic (divide by n, so w(n/2) = 1); Welch and Parzen divide by n + 1 so that
// no sample is weighted zero. An unknown kind weighs 1, as rectangular.
float WindowWeight(TMMFFTWindow kind, int i, int n);

// Fills 2^order Q15 entries (32767 = 1.0): table[i] = floor(w(i, 2^order) * 32767 + 0.5).
// Orders outside 0 ... MaxTransformOrder leave the table untouched.
void FillWindowTable(std::int32_t* table, TMMFFTWindow kind, int order);

// Record k - 1 belongs to k = 1 ... N/4, theta = 2 pi / N.
struct TwiddleRecord {
    float Cos1;    // cos k theta
    float NegSin1; // -sin k theta
    float Cos3;    // cos 3k theta
    float NegSin3; // -sin 3k theta
};

// Record k - 1 belongs to k = 1 ... N/2, phi = pi / N.
struct SplitRecord {
    float HalfCos;         // cos(k phi) / 2
    float HalfOneMinusSin; // (1 - sin k phi) / 2
};

// Everything a transform of n = 2^Order real samples reads: N = n/2 complex points.
// Read-only while a transform runs, so one plan may serve several threads.
struct TransformPlan {
    std::int32_t Order = 0;
    std::int32_t Length = 0;
    float InvLength = 0.0f;
    std::unique_ptr<std::int32_t[]> BitRev;   // N entries: i with its Order - 1 low bits reversed
    std::unique_ptr<TwiddleRecord[]> Twiddle; // N/4 records, none when N <= 2
    std::unique_ptr<SplitRecord[]> Split;     // N/2 records
};

// Largest order whose length still fits the plan's signed 32-bit Length.
inline constexpr int MaxTransformOrder = 30;

// A plan for n = 2^order, or null when order is outside 1 ... MaxTransformOrder.
// Running out of memory raises std::bad_alloc and leaks nothing.
TransformPlan* NewTransformPlan(int order);

// Frees the plan and nulls the reference; a null reference is left alone.
void DisposeTransformPlan(TransformPlan*& plan);

// Transforms plan->Length real samples in place into bins 0 ... n/2 - 1 stored as
// interleaved (re, im) pairs. Direction >= 0: X[k] = sum x[j] e^(-2 pi i jk/n),
// unnormalised, with X[0] = (sum, 0) and the Nyquist bin dropped. Direction < 0:
// the positive-kernel transform scaled by 1/n. Any plan length works (n = 2 gives
// X[0] alone); a null plan or null data does nothing. Allocates nothing, computes no
// sine or cosine, and uses AVX2 where the processor has it, with identical results.
void RunRealTransform(const TransformPlan* plan, float* data, int direction);
