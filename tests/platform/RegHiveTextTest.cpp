// The ".reg" export text the store keeps on disk: what it writes and what it
// accepts, following the format's own rules.

#include <gtest/gtest.h>

#include <sstream>

#include "platform/registry/CRegHive.h"
#include "platform/registry/RegistryTypes.h"

namespace {

std::vector<std::uint8_t> Text(const std::string& s) {
    std::vector<std::uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
}

CRegValue Value(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    CRegValue v;
    v.strName = name;
    v.nType = type;
    v.arrData = std::move(data);
    return v;
}

CRegHive Reparse(const CRegHive& hive) {
    CRegHive::CParseReport report;
    CRegHive back = CRegHive::FromRegText(hive.HiveName(), hive.ToRegText(), report);
    EXPECT_TRUE(report.IsClean()) << (report.arrProblems.empty() ? "" : report.arrProblems.front());
    return back;
}

}  // namespace

TEST(RegHiveTextTest, StringsEscapeBackslashAndQuoteOnly) {
    EXPECT_EQ(CRegHive::FormatValueLine(Value("Path", REG_SZ, Text("C:\\a \"b\" c"))),
              "\"Path\"=\"C:\\\\a \\\"b\\\" c\"");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("Na\"me\\", REG_SZ, Text("x"))), "\"Na\\\"me\\\\\"=\"x\"");
}

TEST(RegHiveTextTest, DwordIsWrittenAsEightLowerCaseHexDigits) {
    EXPECT_EQ(CRegHive::FormatValueLine(Value("N", REG_DWORD, {0xef, 0xcd, 0xab, 0x00})),
              "\"N\"=dword:00abcdef");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("N", REG_DWORD, {0xff, 0xff, 0xff, 0xff})),
              "\"N\"=dword:ffffffff");
}

TEST(RegHiveTextTest, DefaultValueIsWrittenAsAt) {
    EXPECT_EQ(CRegHive::FormatValueLine(Value("", REG_SZ, Text("/opt/x.so"))), "@=\"/opt/x.so\"");
}

TEST(RegHiveTextTest, OtherTypesAreHexWithTheirTypeNumber) {
    EXPECT_EQ(CRegHive::FormatValueLine(Value("B", REG_BINARY, {1, 0xab})), "\"B\"=hex:01,ab");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("Q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0})),
              "\"Q\"=hex(b):01,00,00,00,00,00,00,00");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("E", REG_EXPAND_SZ, Text("%A%"))), "\"E\"=hex(2):25,41,25,00");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("Z", REG_NONE, {})), "\"Z\"=hex(0):");
}

TEST(RegHiveTextTest, TextsTheQuotedFormCannotHoldAreWrittenAsHexOne) {
    // An embedded NUL, a line break or a missing terminator cannot stand between quotes.
    EXPECT_EQ(CRegHive::FormatValueLine(Value("S", REG_SZ, {'a', 0, 'b', 0})), "\"S\"=hex(1):61,00,62,00");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("S", REG_SZ, {'a', '\n', 0})), "\"S\"=hex(1):61,0a,00");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("S", REG_SZ, {'a'})), "\"S\"=hex(1):61");
    EXPECT_EQ(CRegHive::FormatValueLine(Value("D", REG_DWORD, {1, 2, 3})), "\"D\"=hex(4):01,02,03");
}

TEST(RegHiveTextTest, LongHexDataIsContinuedOnIndentedLines) {
    std::vector<std::uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    std::string text = CRegHive::FormatValueLine(Value("Blob", REG_BINARY, bytes));
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    std::string all;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_LE(line.size(), 80u) << line;
        if (count > 1) {
            EXPECT_EQ(line.substr(0, 2), "  ");
        }
        all += line + "\n";
    }
    EXPECT_EQ(count, 5);
    EXPECT_EQ(text.substr(text.find('\n') - 2, 2), ",\\");

    CRegHive hive("HKEY_CURRENT_USER");
    hive.SetValue("Software\\T", "Blob", REG_BINARY, bytes);
    CRegHive back = Reparse(hive);
    ASSERT_NE(back.FindValue("Software\\T", "Blob"), nullptr);
    EXPECT_EQ(back.FindValue("Software\\T", "Blob")->arrData, bytes);
}

TEST(RegHiveTextTest, WholeHiveHasHeaderAndFullKeyPaths) {
    CRegHive hive("HKEY_CURRENT_USER");
    hive.SetValue("Software\\Morvane\\Harvex\\Settings", "NFO", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(hive.ToRegText(),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Morvane]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Morvane\\Harvex\\Settings]\n"
              "\"NFO\"=dword:00000001\n"
              "\n");
}

TEST(RegHiveTextTest, EveryTypeSurvivesWritingAndReading) {
    CRegHive hive("HKEY_CLASSES_ROOT");
    const std::string key = "CLSID\\{X}\\InProcServer32";
    hive.SetValue(key, "", REG_SZ, Text("/usr/lib/a b_c.so"));
    hive.SetValue(key, "Quote", REG_SZ, Text("\\\"\\\\\""));
    hive.SetValue(key, "Utf8", REG_SZ, Text("caf\xc3\xa9 \xff"));
    hive.SetValue(key, "Empty", REG_SZ, Text(""));
    hive.SetValue(key, "Nul", REG_SZ, {'a', 0, 'b', 0});
    hive.SetValue(key, "Dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    hive.SetValue(key, "Short", REG_DWORD, {1});
    hive.SetValue(key, "Bin", REG_BINARY, {0, 255, 16});
    hive.SetValue(key, "Exp", REG_EXPAND_SZ, Text("%HOME%"));
    hive.SetValue(key, "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    hive.SetValue(key, "Q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    hive.SetValue(key, "Odd", 0x1234, {9});
    hive.SetValue(key, "None", REG_NONE, {});
    CRegHive back = Reparse(hive);
    const CRegKeyNode* original = hive.FindKey(key);
    const CRegKeyNode* reread = back.FindKey(key);
    ASSERT_NE(reread, nullptr);
    ASSERT_EQ(reread->mapValues.size(), original->mapValues.size());
    for (const auto& [lower, value] : original->mapValues) {
        const CRegValue* v = back.FindValue(key, value.strName);
        ASSERT_NE(v, nullptr) << value.strName;
        EXPECT_EQ(v->strName, value.strName);
        EXPECT_EQ(v->nType, value.nType) << value.strName;
        EXPECT_EQ(v->arrData, value.arrData) << value.strName;
    }
}

TEST(RegHiveTextTest, ReadsCrLfByteOrderMarkCommentsAndDeletions) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
        "; written by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\A]\r\n"
        "\"Keep\"=\"yes\"\r\n"
        "\"Gone\"=dword:1\r\n"
        "\"Gone\"=-\r\n"
        "@=hex:01,\\\r\n"
        "  02,03\r\n"
        "[HKEY_CURRENT_USER\\Software\\B\\C]\r\n"
        "[-HKEY_CURRENT_USER\\Software\\B]\r\n";
    CRegHive::CParseReport report;
    CRegHive hive = CRegHive::FromRegText("HKEY_CURRENT_USER", text, report);
    EXPECT_TRUE(report.IsClean());
    ASSERT_NE(hive.FindValue("software\\a", "KEEP"), nullptr);
    EXPECT_EQ(hive.FindValue("Software\\A", "Keep")->arrData, Text("yes"));
    EXPECT_EQ(hive.FindValue("Software\\A", "Gone"), nullptr);
    ASSERT_NE(hive.FindValue("Software\\A", ""), nullptr);
    EXPECT_EQ(hive.FindValue("Software\\A", "")->arrData, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(hive.HasKey("Software\\B"));
    EXPECT_FALSE(hive.HasKey("Software\\B\\C"));
    EXPECT_TRUE(hive.HasKey("Software"));
}

TEST(RegHiveTextTest, DamagedLinesAreReportedAndTheRestIsKept) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\A]\n"
        "\"Good\"=dword:00000002\n"
        "\"Bad\"=dword:xyz\n"
        "\"Open=\"no end\n"
        "\"Esc\"=\"a\\qb\"\n"
        "garbage\n"
        "\"Hex\"=hex:1,2,zz\n"
        "[HKEY_CURRENT_USER\\Software\\B\n"
        "\"After\"=dword:00000001\n"
        "\"Cut\"=hex:01,\\\n";
    CRegHive::CParseReport report;
    CRegHive hive = CRegHive::FromRegText("HKEY_CURRENT_USER", text, report);
    EXPECT_FALSE(report.bForeign);
    EXPECT_EQ(report.arrProblems.size(), 7u);
    ASSERT_NE(hive.FindValue("Software\\A", "Good"), nullptr);
    EXPECT_EQ(hive.FindValue("Software\\A", "Good")->arrData, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(hive.FindValue("Software\\A", "Bad"), nullptr);
    EXPECT_EQ(hive.FindValue("Software\\A", "Esc"), nullptr);
}

TEST(RegHiveTextTest, TextWithoutHeaderOrOfAnotherHiveIsForeign) {
    CRegHive::CParseReport report;
    CRegHive hive = CRegHive::FromRegText("HKEY_CURRENT_USER", "{\"settings\": 1}\n", report);
    EXPECT_TRUE(report.bForeign);
    EXPECT_EQ(hive.Keys().size(), 2u);  // the root and "Software" only

    CRegHive other = CRegHive::FromRegText("HKEY_CURRENT_USER",
                                           "Windows Registry Editor Version 5.00\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\X]\n\"A\"=\"b\"\n",
                                           report);
    EXPECT_TRUE(report.bForeign);
    EXPECT_FALSE(other.HasKey("Software\\X"));

    CRegHive old = CRegHive::FromRegText("HKEY_CURRENT_USER", "REGEDIT4\n", report);
    EXPECT_TRUE(report.bForeign);
}

TEST(RegHiveTextTest, KeysMatchWithoutCaseAndKeepTheirFirstSpelling) {
    CRegHive hive("HKEY_CURRENT_USER");
    EXPECT_TRUE(hive.CreateKey("Software\\Morvane\\Harvex"));
    EXPECT_FALSE(hive.CreateKey("SOFTWARE\\morvane\\HARVEX"));
    EXPECT_EQ(hive.FindKey("software\\MORVANE")->strPath, "Software\\Morvane");
    EXPECT_TRUE(hive.HasSubKeys("Software\\Morvane"));
    EXPECT_FALSE(hive.HasSubKeys("Software\\Morvane\\Harvex"));
    EXPECT_FALSE(hive.DeleteKey("Software\\Morvane"));
    EXPECT_TRUE(hive.DeleteKey("Software\\Morvane\\Harvex"));
    EXPECT_FALSE(hive.DeleteKey("Software"));
}

TEST(RegHiveTextTest, SiblingWithBlankDoesNotCountAsSubKey) {
    CRegHive hive("HKEY_CURRENT_USER");
    hive.CreateKey("Software\\a b");
    hive.CreateKey("Software\\a");
    hive.CreateKey("Software\\a!");
    EXPECT_FALSE(hive.HasSubKeys("Software\\a"));
    hive.CreateKey("Software\\a\\c");
    EXPECT_TRUE(hive.HasSubKeys("Software\\a"));
}

TEST(RegHiveTextTest, NewKeyKeepsTheSpellingOfItsExistingParents) {
    CRegHive hive("HKEY_CURRENT_USER");
    hive.CreateKey("software\\Morvane\\Harvex");
    EXPECT_EQ(hive.FindKey("SOFTWARE\\MORVANE")->strPath, "Software\\Morvane");
    EXPECT_EQ(hive.FindKey("software\\morvane\\harvex")->strPath, "Software\\Morvane\\Harvex");
}
