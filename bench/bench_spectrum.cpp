// Cost of the spectrum: one update (analyse a block, draw the frame, copy it to
// the screen), and the process's CPU share while the studio spectrum follows a
// tone captured in real time through the connector, beside the same run with the
// two bar meters instead, for comparison.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of each real-time run (default 10 s).

#include "app/StudioLevels.h"
#include "app/StudioSpectrum.h"
#include "audio/MMConnector.h"
#include "bench/support/RealTimeStation.h"
#include "meters/MMLevel.h"
#include "spectrum/MMSpectrum.h"

#include <QWidget>

namespace {

using bench::Tone;

// The studio spectrum filling a 170 x 56 window, shown.
struct StudioSpectrum {
    QWidget window;
    TMMSpectrum* spectrum = new TMMSpectrum(&window);
    StudioSpectrum()
    {
        window.resize(170, 56);
        ConfigureStudioSpectrum(*spectrum);
        spectrum->SetBounds(0, 0, 170, 56);
        window.show();
        bench::WaitExposed(window);
    }
};

// Two tones in different bins, alternated, so that every update changes the
// picture. With range(0) = 0 every update is also copied to the screen, otherwise
// the copies are spaced as in the program.
void BM_SpectrumUpdate(benchmark::State& state)
{
    StudioSpectrum view;
    if (state.range(0) == 0)
        view.spectrum->SetScreenInterval(0);
    const int bytes = view.spectrum->BytesPerRefresh();
    const auto low = Tone(bytes, 8000, 5 * 44100.0 / 64);
    const auto high = Tone(bytes, 8000, 12 * 44100.0 / 64);
    bool flip = false;
    for (auto _ : state) {
        view.spectrum->ConsumePcm((flip ? high : low).data());
        flip = !flip;
    }
    state.counters["tallest_px"] = view.spectrum->HighestBar().value;
}
BENCHMARK(BM_SpectrumUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

enum class View { Spectrum, Bars, None };

void RunRealTime(benchmark::State& state, View shown)
{
    StudioSpectrum spectrum;
    QWidget barWindow;
    auto* left = new TMMLevel(&barWindow);
    auto* right = new TMMLevel(&barWindow);
    ConfigureStudioBar(*left, chLeft);
    ConfigureStudioBar(*right, chRight);
    TMMConnector connector;
    connector.SetEnterIdle(false);
    if (shown == View::Spectrum) {
        connector.SetSpectrum(1, spectrum.spectrum);
    } else {
        spectrum.window.hide();
    }
    if (shown == View::Bars) {
        barWindow.resize(170, 56);
        left->move(12, 8);
        right->move(12, 30);
        barWindow.show();
        bench::WaitExposed(barWindow);
        connector.SetLevel1(left);
        connector.SetLevel2(right);
    }
    for (auto _ : state) {
        const bench::RealTimeRun run = bench::RunStationCapture(&connector, bench::RunSeconds());
        bench::Report(state, run);
        state.counters["updates_per_s"] = double(connector.RefreshCount(TMMDisplayKind::Spectrums) +
                                                 connector.RefreshCount(TMMDisplayKind::Levels)) /
                                          run.wallSeconds;
    }
}

void BM_RealTimeSpectrum(benchmark::State& state)
{
    RunRealTime(state, View::Spectrum);
}
BENCHMARK(BM_RealTimeSpectrum)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_RealTimeTwoBars(benchmark::State& state)
{
    RunRealTime(state, View::Bars);
}
BENCHMARK(BM_RealTimeTwoBars)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_RealTimeNoDisplays(benchmark::State& state)
{
    RunRealTime(state, View::None);
}
BENCHMARK(BM_RealTimeNoDisplays)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
