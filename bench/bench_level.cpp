// Cost of the bar level meters: one bar update (measure a block, draw the frame,
// copy it to the screen), and the process's CPU share while two bars follow a
// tone delivered in real time through the connector.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of the real-time run (default 10 s).

#include "app/StudioLevels.h"
#include "audio/BufferHeader.h"
#include "audio/MMConnector.h"
#include "meters/MMLevel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBufferBytes = 4096;

// Interleaved 16-bit stereo: a 1 kHz tone at the given peak on both channels.
std::vector<std::uint8_t> Tone(int bytes, int peak, int startFrame = 0)
{
    std::vector<std::uint8_t> pcm(std::size_t(bytes), 0);
    for (int frame = 0; frame < bytes / 4; ++frame) {
        const double t = double(startFrame + frame) / kRate;
        const auto s = std::int16_t(std::lround(peak * std::sin(2 * M_PI * 1000 * t)));
        for (int channel = 0; channel < 2; ++channel) {
            pcm[std::size_t(4 * frame + 2 * channel)] = std::uint8_t(s & 0xFF);
            pcm[std::size_t(4 * frame + 2 * channel + 1)] = std::uint8_t((s >> 8) & 0xFF);
        }
    }
    return pcm;
}

void WaitExposed(QWidget& window)
{
    QElapsedTimer timer;
    timer.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Two studio bars in a window of their own, shown.
struct TwoBars {
    QWidget window;
    TMMLevel* left = new TMMLevel(&window);
    TMMLevel* right = new TMMLevel(&window);
    TwoBars()
    {
        window.resize(170, 56);
        left->move(12, 8);
        right->move(12, 30);
        ConfigureStudioBar(*left, chLeft);
        ConfigureStudioBar(*right, chRight);
        window.show();
        WaitExposed(window);
    }
};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every update changes the lit count (56 spots, then 30), so each one draws and
// copies to the screen.
void BM_BarUpdate(benchmark::State& state)
{
    TwoBars bars;
    const auto loud = Tone(bars.left->BytesPerRefresh(), 10362);
    const auto quiet = Tone(bars.left->BytesPerRefresh(), 2000);
    bars.left->Engine().SetDecayMode(dmNone);
    bool flip = false;
    for (auto _ : state) {
        bars.left->ConsumePcm((flip ? quiet : loud).data());
        flip = !flip;
    }
    state.counters["spots"] = bars.left->Engine().DisplayedPosition();
}
BENCHMARK(BM_BarUpdate)->Unit(benchmark::kMicrosecond);

// A steady tone: the level equals the held peak, which counts as a new peak, so
// every block is drawn again.
void BM_BarUpdateSteadyTone(benchmark::State& state)
{
    TwoBars bars;
    const auto tone = Tone(bars.left->BytesPerRefresh(), 10362);
    bars.left->Engine().SetDecayMode(dmNone);
    bars.left->ConsumePcm(tone.data());
    for (auto _ : state)
        bars.left->ConsumePcm(tone.data());
}
BENCHMARK(BM_BarUpdateSteadyTone)->Unit(benchmark::kMicrosecond);

// A feeder thread hands 4096-byte buffers to the connector at the sound card's
// pace, as the wave input's buffer thread does; the connector walks both bars
// through each buffer on the user-interface thread.
void RunRealTime(benchmark::State& state, bool withBars)
{
    const double seconds = qEnvironmentVariableIsSet("SONAVIA_BENCH_SECONDS")
                               ? qEnvironmentVariable("SONAVIA_BENCH_SECONDS").toDouble()
                               : 10.0;
    for (auto _ : state) {
        TwoBars bars;
        TMMConnector connector;
        TWaveFormatEx format{};
        BuildPcmFormat(&format, 16, 2, kRate);
        if (withBars) {
            connector.SetLevel1(bars.left);
            connector.SetLevel2(bars.right);
        }
        connector.SetEnterIdle(false);
        connector.SetStreamFormat(&format);
        connector.SetBufferSize(kBufferBytes);
        connector.ChainOpen();
        connector.ChainStart();

        std::vector<std::uint8_t> block(sizeof(BufferHeader) + kBufferBytes);
        auto* header = reinterpret_cast<BufferHeader*>(block.data());
        header->hdr.lpData = reinterpret_cast<char*>(block.data() + sizeof(BufferHeader));
        header->hdr.dwBufferLength = kBufferBytes;
        header->hdr.dwBytesRecorded = kBufferBytes;
        std::atomic<bool> stop{false};
        std::int64_t buffers = 0;
        std::thread feeder([&] {
            using clock = std::chrono::steady_clock;
            const auto period = std::chrono::microseconds(1'000'000LL * kBufferBytes / 4 / kRate);
            auto next = clock::now();
            int frame = 0;
            while (!stop) {
                // Loudness swings slowly so the bars rise, fall and move their peaks.
                const int peak = int(16000 + 15000 * std::sin(frame / 44100.0 * 2.0));
                const auto pcm = Tone(kBufferBytes, peak, frame);
                std::copy(pcm.begin(), pcm.end(), block.begin() + sizeof(BufferHeader));
                frame += kBufferBytes / 4;
                connector.BufferReady(header);
                ++buffers;
                next += period;
                std::this_thread::sleep_until(next);
            }
        });

        const double cpuBefore = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(int(seconds * 1000), qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        const double cpu = CpuSeconds() - cpuBefore;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        stop = true;
        feeder.join();
        connector.ChainStop();
        connector.ChainClose();

        state.SetIterationTime(elapsed);
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / elapsed;
        state.counters["buffers"] = double(buffers);
        state.counters["level_refreshes"] = double(connector.RefreshCount(TMMDisplayKind::Levels));
    }
}

void BM_RealTimeTwoBars(benchmark::State& state)
{
    RunRealTime(state, true);
}
BENCHMARK(BM_RealTimeTwoBars)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The same run with no display attached: what the connector's loop costs alone.
void BM_RealTimeNoDisplays(benchmark::State& state)
{
    RunRealTime(state, false);
}
BENCHMARK(BM_RealTimeNoDisplays)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
