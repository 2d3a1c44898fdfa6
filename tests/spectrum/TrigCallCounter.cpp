#include "TrigCallCounter.h"

#include <atomic>
#include <dlfcn.h>

namespace {

std::atomic<std::size_t> calls{0};

// The library's own function of that name, found past this program's wrapper.
template <typename Function> Function Library(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

std::size_t TrigonometricCalls()
{
    return calls.load();
}

extern "C" {

double cos(double x) noexcept
{
    static const auto next = Library<double (*)(double)>("cos");
    calls.fetch_add(1);
    return next(x);
}

double sin(double x) noexcept
{
    static const auto next = Library<double (*)(double)>("sin");
    calls.fetch_add(1);
    return next(x);
}

void sincos(double x, double* s, double* c) noexcept
{
    static const auto next = Library<void (*)(double, double*, double*)>("sincos");
    calls.fetch_add(1);
    next(x, s, c);
}

float cosf(float x) noexcept
{
    static const auto next = Library<float (*)(float)>("cosf");
    calls.fetch_add(1);
    return next(x);
}

float sinf(float x) noexcept
{
    static const auto next = Library<float (*)(float)>("sinf");
    calls.fetch_add(1);
    return next(x);
}

void sincosf(float x, float* s, float* c) noexcept
{
    static const auto next = Library<void (*)(float, float*, float*)>("sincosf");
    calls.fetch_add(1);
    next(x, s, c);
}

} // extern "C"
