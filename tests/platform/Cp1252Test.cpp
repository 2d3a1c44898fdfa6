#include "platform/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, PortugueseLettersAreSingleBytes)
{
    EXPECT_EQ(platform::Utf8ToCp1252("Ação"), std::string("A\xE7\xE3o"));
    EXPECT_EQ(platform::Cp1252ToUtf8("Descri\xE7\xE3o"), "Descrição");
}

TEST(Cp1252, HighControlRangeMapsToTypographicCharacters)
{
    EXPECT_EQ(platform::Utf8ToCp1252("€“”"), std::string("\x80\x93\x94"));
    EXPECT_EQ(platform::Cp1252ToUtf8("\x80\x99"), "€™");
}

TEST(Cp1252, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(platform::ToCp1252(platform::FromCp1252(all)), all);
}

TEST(Cp1252, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(platform::Utf8ToCp1252("a\u4E2Db"), "a?b");
}
