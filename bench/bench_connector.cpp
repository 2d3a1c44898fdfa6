// The connector's cost: one refresh pass with the main window's displays, and
// the whole program's CPU use while it captures in real time with the connector
// running and no display attached.

#include "audio/MMConnector.h"
#include "bench/support/RealTimeStation.h"
#include "meters/LevelEngine.h"

#include <cstring>
#include <vector>

namespace {

// A display made of the measuring engine alone: what a bar or needle meter
// costs before it draws.
class MeasuringDisplay final : public TMMDisplay {
public:
    MeasuringDisplay(LevelKind kind, TMMChannel channel, std::int32_t samples) : engine(kind)
    {
        engine.SetRange(kind == LevelKind::Bar ? 40 : LevelEngine::kFullScale);
        engine.SetChannel(channel);
        engine.SetSamples(samples);
        engine.SetDecayMode(dmStepUp);
        engine.SetDecay(8);
    }
    void SetStreamFormat(const TWaveFormatEx* format) override { engine.SetStreamFormat(format); }
    std::int32_t BytesPerRefresh() const override { return engine.BytesPerRefresh(); }
    void ConsumePcm(const std::uint8_t* data) override { engine.ConsumePcm(data); }
    void ClearDisplay() override { engine.ClearDisplay(); }

    LevelEngine engine;
};

std::vector<std::uint8_t> SineBuffer()
{
    std::vector<std::int16_t> samples(2048);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 7919) % 40000 - 20000);
    std::vector<std::uint8_t> bytes(4096);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

// Passes that walk whole buffers, every step due at once; time per pass.
void WalkBuffers(benchmark::State& state, bool withDisplays)
{
    TMMConnector connector;
    connector.SetRealTime(false);
    connector.SetAutoTrigger(false);
    connector.SetSynchronize(false);
    MeasuringDisplay level1(LevelKind::Bar, chLeft, 99), level2(LevelKind::Bar, chRight, 99);
    MeasuringDisplay meter1(LevelKind::Needle, chRight, 20), meter2(LevelKind::Needle, chLeft, 20);
    if (withDisplays) {
        connector.SetLevel1(&level1);
        connector.SetLevel2(&level2);
        connector.SetMeter1(&meter1);
        connector.SetMeter2(&meter2);
    }
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 16, 2, 44100);
    connector.SetStreamFormat(&format);
    connector.SetBufferSize(4096);
    connector.ChainOpen();
    connector.ChainStart();
    std::vector<std::uint8_t> buffer = SineBuffer();

    // 52 passes take the needle meters (80-byte steps) through one buffer.
    constexpr int kPassesPerBuffer = 52;
    std::int64_t passes = 0;
    for (auto _ : state) {
        connector.TakeBuffer(buffer.data(), 4096);
        for (int i = 0; i < kPassesPerBuffer; ++i)
            connector.RefreshPass();
        passes += kPassesPerBuffer;
    }
    state.SetItemsProcessed(passes);
    state.counters["ns_per_pass"] = benchmark::Counter(
        static_cast<double>(passes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    connector.ChainStop();
}

void BM_RefreshPassNoDisplay(benchmark::State& state)
{
    WalkBuffers(state, false);
}
BENCHMARK(BM_RefreshPassNoDisplay);

void BM_RefreshPassBarsAndNeedles(benchmark::State& state)
{
    WalkBuffers(state, true);
}
BENCHMARK(BM_RefreshPassBarsAndNeedles);

// The station's capture into the connector with no display, the refresh loop on the
// event loop, for state.range(0) seconds. With state.range(1) = 0 the wave input
// records alone, which shows what the connector adds.
void BM_CaptureCpuShare(benchmark::State& state)
{
    TMMConnector connector;
    connector.SetEnterIdle(false);
    std::int64_t triggers = 0;
    connector.OnTrigger = [&](TMMComponent*) { ++triggers; };
    for (auto _ : state) {
        const bench::RealTimeRun run = bench::RunStationCapture(
            state.range(1) != 0 ? &connector : nullptr, double(state.range(0)));
        bench::Report(state, run);
        state.counters["passes_per_s"] = double(triggers) / run.wallSeconds;
    }
}
BENCHMARK(BM_CaptureCpuShare)
    ->Args({10, 1})
    ->Args({10, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
