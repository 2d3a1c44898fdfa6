#include "skin/PngPicture.h"
#include "skin/PictureArt.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <ostream>

namespace {

QByteArray AsPng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QImage kPicture = skintest::PictureFromArt({".WRG", "KK..", "RRRW"});

TEST(PngPicture, DecodesEveryPixelWithItsTransparency)
{
    const skin::PngPicture picture = skin::DecodePng(AsPng(kPicture));
    ASSERT_TRUE(picture.error.isEmpty()) << picture.error.toStdString();
    EXPECT_EQ(picture.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(picture.image, kPicture);
}

struct BadBytes {
    const char* name;
    QByteArray bytes;
};

void PrintTo(const BadBytes& c, std::ostream* os)
{
    *os << c.name;
}

class BadPictures : public ::testing::TestWithParam<BadBytes> {};

TEST_P(BadPictures, GiveNoPictureAndSayWhy)
{
    const skin::PngPicture picture = skin::DecodePng(GetParam().bytes);
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_FALSE(picture.error.isEmpty());
}

const BadBytes kBad[] = {
    {"Empty", {}},
    {"NotAPng", QByteArray("GIF89a not a png at all")},
    {"Truncated", AsPng(kPicture).left(60)},
};

INSTANTIATE_TEST_SUITE_P(Bytes, BadPictures, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngPicture, AMissingFileIsNamedInTheError)
{
    const skin::PngPicture picture = skin::ReadPng(QStringLiteral("/nonexistent/fundo.png"));
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_TRUE(picture.error.contains(QStringLiteral("/nonexistent/fundo.png")));
}

TEST(PngPicture, ReadsAFile)
{
    testsupport::TempFolder folder;
    const QString path = QString::fromStdString((folder / "fundo.png").string());
    const QByteArray png = AsPng(kPicture);
    testsupport::WriteBytes(folder / "fundo.png", png.toStdString());
    EXPECT_EQ(skin::ReadPng(path).image, kPicture);
}

} // namespace
