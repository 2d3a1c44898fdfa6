#pragma once

// What the benchmarks of the live displays share: test signals, a shown window, and
// the station's real-time capture run through the connector with the process's CPU
// share measured over it.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

class QWidget;
class TMMConnector;

namespace bench {

constexpr int kRate = 44100;
constexpr int kBufferBytes = 4096;

// Interleaved 16-bit stereo: a sine of the given frequency and peak on both channels.
std::vector<std::uint8_t> Tone(int bytes, int peak, double hz = 1000.0);

// Processes events until the window is on screen (at most 3 s).
void WaitExposed(QWidget& window);

// The process's user and system CPU time so far.
double CpuSeconds();

// SONAVIA_BENCH_SECONDS, or 10 s: the length of a real-time run.
double RunSeconds();

struct RealTimeRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    std::int64_t bytesRecorded = 0;
};

// The station's capture as the program sets it up (virtual card paced by the clock,
// a 1 kHz sine at half scale, 44.1 kHz 16-bit stereo, 20 buffers of 4096 bytes,
// buffer thread) into the connector, or into nothing when it is null, for the given
// time on the event loop.
RealTimeRun RunStationCapture(TMMConnector* connector, double seconds);

// Reports a run: its wall time as the iteration time, the CPU share of one core and
// the buffers per second.
void Report(benchmark::State& state, const RealTimeRun& run);

// Runs the registered benchmarks inside a widget application (offscreen unless
// QT_QPA_PLATFORM says otherwise).
int Main(int argc, char** argv);

} // namespace bench
