#include "platform/IniFile.h"
#include "platform/Exception.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::ReadProfileBytes;
using platform::ReadProfileString;
using platform::WriteProfileString;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

TEST(IniFile, MissingFileSectionOrKeyReadsEmpty)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    EXPECT_EQ(ReadProfileString(file, "Geral", "Usuario"), "");
    WriteBytes(file, "[Outra]\r\nUsuario=ana\r\n[Geral]\r\nRadio=FM\r\n");
    EXPECT_EQ(ReadProfileString(file, "Geral", "Usuario"), "");
    EXPECT_EQ(ReadProfileString(file, "Nenhuma", "Radio"), "");
    EXPECT_EQ(ReadProfileString(file, "Geral", "Radio"), "FM");
}

TEST(IniFile, KeysAndSectionsMatchWithoutCaseAndStringsLoseTheBlanksAroundThem)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    WriteBytes(file, "[geral]\r\n usuario = a = b\t \r\n");
    EXPECT_EQ(ReadProfileString(file, "Geral", "Usuario"), "a = b");
    EXPECT_EQ(ReadProfileBytes(file, "Geral", "Usuario"), " a = b\t ");
}

TEST(IniFile, WritingReplacesInPlaceAndAppendsMissingKeysToTheirSection)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    WriteBytes(file, "[Geral]\r\nA=1\r\nB=2\r\n\r\n[Outra]\r\nC=3\r\n");
    WriteProfileString(file, "Geral", "A", "9");
    WriteProfileString(file, "Geral", "D", "4");
    WriteProfileString(file, "Nova", "E", "5");
    EXPECT_EQ(ReadBytes(file),
              "[Geral]\r\nA=9\r\nB=2\r\nD=4\r\n\r\n[Outra]\r\nC=3\r\n[Nova]\r\nE=5\r\n");
}

TEST(IniFile, FileIsReadableByItsOwnerOnly)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    WriteProfileString(file, "Geral", "Senha", "x");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(IniFile, EveryByteButLineBreaksAndNulSurvivesARoundTrip)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    std::string value;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            value.push_back(static_cast<char>(b));
    }
    WriteProfileString(file, "Geral", "Senha", value);
    WriteProfileString(file, "Geral", "Depois", "ok");
    EXPECT_EQ(ReadProfileBytes(file, "Geral", "Senha"), value);
    EXPECT_EQ(ReadProfileString(file, "Geral", "Depois"), "ok");
}

TEST(IniFile, UnwritableFileRaisesWithItsPathAndKeepsItsBytes)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    const std::string before = "[Geral]\r\nA=1\r\n";
    WriteBytes(file, before);
    ::chmod(file.c_str(), 0400);
    try {
        WriteProfileString(file, "Geral", "A", "2");
        FAIL() << "no error raised";
    } catch (const platform::EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.string());
    }
    EXPECT_EQ(ReadBytes(file), before);
}

TEST(IniFile, ValueWithALineBreakIsRefusedInsteadOfInjectingALine)
{
    testsupport::TempFolder folder;
    const auto file = folder / "x.ini";
    const std::string before = "[Geral]\r\nServidor=a.com\r\n";
    WriteBytes(file, before);
    for (const std::string& bad :
         {std::string("x\r\nServidor=evil"), std::string("x\ny"), std::string("x\0y", 3)}) {
        EXPECT_THROW(WriteProfileString(file, "Geral", "Radio", bad), platform::EIniFileException);
    }
    EXPECT_EQ(ReadBytes(file), before);
}
