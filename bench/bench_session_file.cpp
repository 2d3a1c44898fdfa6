// How long the station takes to rebuild a session file (load, edit, rewrite the profile,
// save through a temporary file): it runs on the user-interface thread at every server
// switch and settings save, so it must stay far below a timer period.
#include "app/BitrateProfile.h"
#include "app/SessionFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path TemplateFile()
{
    // The template as shipped, found beside this source file's folder.
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "deploy" / "padrao.xml";
}

void RebuildSessionFile(benchmark::State& state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("sonavia-bench-session-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(TemplateFile(), folder / "padrao.xml",
                               std::filesystem::copy_options::overwrite_existing);
    app::SessionValues values{"Rádio", std::string("Placa"), "ns1.exemplo.net", "bench", ""};
    const char* const rates[] = {"32000", "96000", "128016", "64008"};
    std::size_t turn = 0;
    for (auto _ : state) {
        values.kbps = rates[turn++ % 4];
        benchmark::DoNotOptimize(app::BuildSessionFile(folder, "bench", values));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(RebuildSessionFile)->Unit(benchmark::kMicrosecond);

void RewriteProfileText(benchmark::State& state)
{
    const std::string text =
        "<streamconfig bitrate=\"32000\" lsamplesize=\"1536\"><waveformatex "
        "nSamplesPerSec=\"32000\" nAvgBytesPerSec=\"4000\" nBlockAlign=\"1536\" "
        "codecdata=\"008800001700001E0000\"/></streamconfig>";
    const app::BitrateProfile& target = *app::FindBitrateProfile("128016");
    for (auto _ : state)
        benchmark::DoNotOptimize(app::ApplyBitrateProfile(text, target));
}
BENCHMARK(RewriteProfileText);

} // namespace

BENCHMARK_MAIN();
