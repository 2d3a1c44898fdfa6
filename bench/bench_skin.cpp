// Cost of the windows' skins: reading each picture with libpng and building its
// outline (the region the window is cut to), for the main window's and the
// settings window's pictures as the program ships them.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "bench/support/RealTimeStation.h"
#include "skin/Outline.h"
#include "skin/PngPicture.h"

#include <QFile>

namespace {

const char* const kPictures[] = {":/skin/principal.png", ":/skin/configuracoes.png"};

QByteArray PictureBytes(benchmark::State& state)
{
    QFile file(QString::fromLatin1(kPictures[state.range(0)]));
    if (!file.open(QIODevice::ReadOnly))
        state.SkipWithError("the skin's picture is not among the program's resources");
    state.SetLabel(kPictures[state.range(0)]);
    return file.readAll();
}

void BM_OutlineOfPicture(benchmark::State& state)
{
    const QImage picture = skin::DecodePng(PictureBytes(state)).image;
    int rectangles = 0;
    for (auto _ : state) {
        const QRegion outline = skin::OutlineOf(picture, {});
        rectangles = outline.rectCount();
        benchmark::DoNotOptimize(rectangles);
    }
    state.counters["rectangles"] = rectangles;
}
BENCHMARK(BM_OutlineOfPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DecodePicture(benchmark::State& state)
{
    const QByteArray bytes = PictureBytes(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(skin::DecodePng(bytes).image.constBits());
}
BENCHMARK(BM_DecodePicture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
