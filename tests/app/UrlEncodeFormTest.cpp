#include "app/UrlEncodeForm.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

TEST(UrlEncodeFormTest, EveryByteIsKeptOrPercentEncodedAndASpaceIsAPlus)
{
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray one(1, static_cast<char>(byte));
        // Qt's percent encoding keeps letters, digits and - . _ ~ and writes upper-case
        // hex; the form also keeps ! $ ' ( ) * @, encodes ~ and writes a space as "+".
        QByteArray expected = one.toPercentEncoding("!$'()*@", "~");
        if (byte == ' ')
            expected = "+";
        EXPECT_EQ(app::UrlEncodeForm(one.toStdString()), expected.toStdString()) << "byte " << byte;
    }
}

struct Case {
    const char* bytes;
    const char* encoded;
};

class UrlEncodeFormCases : public ::testing::TestWithParam<Case> {};

TEST_P(UrlEncodeFormCases, EncodesTheWholeText)
{
    EXPECT_EQ(app::UrlEncodeForm(GetParam().bytes), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Texts, UrlEncodeFormCases,
                         ::testing::Values(Case{"ana maria", "ana+maria"}, Case{"a&b", "a%26b"},
                                           Case{"p\xE7o", "p%E7o"}, Case{"x=1+2%", "x%3D1%2B2%25"},
                                           Case{"Joe.O'Neil_(2)!*$@-", "Joe.O'Neil_(2)!*$@-"},
                                           Case{"\r\n\x7F\xFF", "%0D%0A%7F%FF"}, Case{"", ""}));

TEST(UrlEncodeFormTest, ANulByteIsEncodedNotAnEnd)
{
    EXPECT_EQ(app::UrlEncodeForm(std::string_view("a\0b", 3)), "a%00b");
}

} // namespace
