// Cost of the oscilloscope: one update (take a block, draw the trace, copy it to
// the screen), and the process's CPU share while it follows a tone captured in
// real time from the virtual sound card through the connector.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. SONAVIA_BENCH_SECONDS
// sets the length of the real-time run (default 10 s).

#include "app/StudioOscope.h"
#include "audio/MMConnector.h"
#include "bench/support/RealTimeStation.h"
#include "meters/MMOscope.h"

#include <QWidget>

namespace {

// The studio oscilloscope, 170 x 56 in a window of its own, shown.
struct StudioScope {
    QWidget window;
    TMMOscope* scope = new TMMOscope(&window);
    StudioScope()
    {
        window.resize(170, 56);
        scope->SetBounds(0, 0, 170, 56);
        ConfigureStudioOscope(*scope);
        window.show();
        bench::WaitExposed(window);
    }
};

// A 441 Hz sine, as in the whole-program check; two phases so every update
// draws a different trace. With range(0) = 0 every update is also copied to the
// screen, otherwise the copies are spaced as in the program.
void BM_OscilloscopeUpdate(benchmark::State& state)
{
    StudioScope studio;
    if (state.range(0) == 0)
        studio.scope->SetScreenInterval(0);
    const int bytes = studio.scope->BytesPerRefresh();
    const auto tone = bench::Tone(bytes + 200, 20000, 441.0);
    bool flip = false;
    for (auto _ : state) {
        studio.scope->ConsumePcm(tone.data() + (flip ? 200 : 0));
        flip = !flip;
    }
}
BENCHMARK(BM_OscilloscopeUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_RealTimeOscilloscope(benchmark::State& state)
{
    StudioScope studio;
    TMMConnector connector;
    connector.SetEnterIdle(false);
    connector.SetOscope1(studio.scope);
    for (auto _ : state) {
        const bench::RealTimeRun run = bench::RunStationCapture(&connector, bench::RunSeconds());
        bench::Report(state, run);
        state.counters["scope_updates_per_s"] =
            double(connector.RefreshCount(TMMDisplayKind::Oscopes)) / run.wallSeconds;
    }
}
BENCHMARK(BM_RealTimeOscilloscope)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
