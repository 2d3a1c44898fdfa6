#include "platform/Cp1252.h"

#include <QList>
#include <array>

namespace platform {
namespace {

// Code points of the bytes 0x80..0x9F; the five bytes Windows leaves undefined
// map to the C1 control of the same value, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeOne(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

std::string ToCp1252(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t codePoint : text.toUcs4())
        bytes.push_back(EncodeOne(codePoint));
    return bytes;
}

bool FitsCp1252(const QString& text)
{
    for (const char32_t codePoint : text.toUcs4())
        if (codePoint != U'?' && EncodeOne(codePoint) == '?')
            return false;
    return true;
}

QString FromCp1252(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.append(QChar(value >= 0x80 && value < 0xA0 ? kHighControls[value - 0x80]
                                                        : static_cast<char16_t>(value)));
    }
    return text;
}

std::string Utf8ToCp1252(std::string_view utf8)
{
    return ToCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    return FromCp1252(bytes).toStdString();
}

} // namespace platform
