// The console RAR program on archives written by the real RAR program (shared fixtures),
// run as a child process exactly as the runner runs it.
#include <gtest/gtest.h>

#include <filesystem>

#include "UnrarRun.h"
#include "tests/fixtures/SharedFixtures.h"

namespace {

const std::vector<std::string> CLEAN_ARCHIVES = {
    "test_read_format_rar.rar",
    "test_read_format_rar_compress_normal.rar",
    "test_read_format_rar_compress_best.rar",
    "test_read_format_rar_unicode.rar",
    "test_read_format_rar_windows.rar",
    "test_read_format_rar5_compressed.rar",
    "test_read_format_rar5_stored.rar",
    "test_read_format_rar5_solid.rar",
    "test_read_format_rar5_multiple_files.rar",
    "test_read_format_rar5_win32.rar",
    "test_read_format_rar5_multiarchive.part01.rar",
    "test_read_format_rar5_symlink.rar",
    "test_read_format_rar5_hardlink.rar",
    "test_read_format_rar5_unicode.rar",
};

const std::vector<std::string> ENCRYPTED_ARCHIVES = {
    "test_read_format_rar4_encrypted.rar",
    "test_read_format_rar5_encrypted.rar",
    "test_read_format_rar4_solid_encrypted.rar",
    "test_read_format_rar5_solid_encrypted.rar",
    "test_read_format_rar4_encrypted_filenames.rar",
    "test_read_format_rar5_encrypted_filenames.rar",
    "test_read_format_rar4_solid_encrypted_filenames.rar",
    "test_read_format_rar5_solid_encrypted_filenames.rar",
    "test_read_format_rar_encryption_data.rar",
    "test_read_format_rar_encryption_header.rar",
    "test_read_format_rar_encryption_partially.rar",
};

const std::vector<std::string> DAMAGED_ARCHIVES = {
    "test_read_format_rar_invalid1.rar",
    "test_read_format_rar5_truncated_huff.rar",
};

std::vector<std::string> VolumesOf(const std::string& name) {
    if (name.find(".part01.rar") == std::string::npos) {
        return {RarFixtures() + name};
    }
    std::vector<std::string> v;
    for (int i = 1; i <= 8; ++i) {
        v.push_back(RarFixtures() + "test_read_format_rar5_multiarchive.part0" + std::to_string(i) + ".rar");
    }
    return v;
}

std::string LastLine(const std::string& out) {
    std::string s = out;
    while (!s.empty() && s.back() == '\n') {
        s.pop_back();
    }
    size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

}  // namespace

TEST(UnrarFixturesTest, ExtractsEveryCleanArchiveLikeLibarchiveItself) {
    REQUIRE_SHARED_FIXTURES();
    for (const std::string& name : CLEAN_ARCHIVES) {
        CUnrarTempDir tmp;
        UnrarResult r =
            RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", RarFixtures() + name, tmp.Path()});
        EXPECT_EQ(r.nExitCode, 0) << name << "\n" << r.strOutput;
        EXPECT_EQ(LastLine(r.strOutput), "All OK") << name;
        auto expected = LibarchiveTree(VolumesOf(name));
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(ReadTree(tmp.Path()), expected) << name;
    }
}

TEST(UnrarFixturesTest, TestsEveryCleanArchiveWithoutWriting) {
    REQUIRE_SHARED_FIXTURES();
    for (const std::string& name : CLEAN_ARCHIVES) {
        CUnrarTempDir tmp;
        UnrarResult r =
            RunUnrar({"t", "-o+", "-ierr", "-av-", "-y", "-idc", RarFixtures() + name}, {"", -1, tmp.Path()});
        EXPECT_EQ(r.nExitCode, 0) << name << "\n" << r.strOutput;
        EXPECT_EQ(LastLine(r.strOutput), "All OK") << name;
        EXPECT_NE(r.strOutput.find("Testing archive " + RarFixtures() + name), std::string::npos) << name;
        EXPECT_TRUE(ReadTree(tmp.Path()).empty()) << name;
    }
}

TEST(UnrarFixturesTest, PrintsTheFixedOutputFormat) {
    REQUIRE_SHARED_FIXTURES();
    struct Case {
        const char* pExpected;
        std::vector<std::string> arrSwitches;
        const char* pArchive;
        bool bDestination;
    };
    const std::vector<Case> cases = {
        {"rar4_extract_idp", {"x", "-o+", "-ierr", "-av-", "-y", "-idp"}, "test_read_format_rar.rar", true},
        {"rar4_test_idp", {"t", "-o+", "-ierr", "-av-", "-y", "-idp"}, "test_read_format_rar.rar", false},
        {"rar5_multivolume_idp",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idp"},
         "test_read_format_rar5_multiarchive.part01.rar",
         true},
        {"rar5_multivolume_idc",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idc"},
         "test_read_format_rar5_multiarchive.part01.rar",
         true},
        {"rar5_later_volume_first",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idp"},
         "test_read_format_rar5_multiarchive.part05.rar",
         true},
        {"rar5_encrypted_prompt",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idp"},
         "test_read_format_rar5_encrypted.rar",
         true},
        {"rar5_encrypted_with_password",
         {"x", "-o+", "-ierr", "-av-", "-y", "-ppassword", "-idp"},
         "test_read_format_rar5_encrypted.rar",
         true},
        {"rar5_encrypted_never_ask",
         {"x", "-o+", "-ierr", "-av-", "-y", "-p-", "-idp"},
         "test_read_format_rar5_encrypted.rar",
         true},
        {"rar4_encrypted_headers_prompt",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idp"},
         "test_read_format_rar4_encrypted_filenames.rar",
         true},
        {"rar4_invalid",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idp"},
         "test_read_format_rar_invalid1.rar",
         true},
        {"rar5_truncated_huff",
         {"x", "-o+", "-ierr", "-av-", "-y", "-idc"},
         "test_read_format_rar5_truncated_huff.rar",
         true},
        {"not_rar", {"x", "-o+", "-ierr", "-av-", "-y", "-idp"}, "README.md", true},
    };
    for (const Case& c : cases) {
        CUnrarTempDir tmp;
        std::vector<std::string> args = c.arrSwitches;
        args.push_back(RarFixtures() + c.pArchive);
        if (c.bDestination) {
            args.push_back(tmp.Path() + "/out/");
        }
        UnrarResult r = RunUnrar(args);
        std::string text =
            NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
        EXPECT_TRUE(MatchesExpected(c.pExpected, text));
    }
}

TEST(UnrarFixturesTest, AsksForThePasswordOfEveryEncryptedArchive) {
    REQUIRE_SHARED_FIXTURES();
    for (const std::string& name : ENCRYPTED_ARCHIVES) {
        CUnrarTempDir tmp;
        UnrarResult r =
            RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", RarFixtures() + name, tmp.Path()});
        EXPECT_NE(r.strOutput.find("Enter password (will not be echoed) for "), std::string::npos) << name;
        EXPECT_EQ(r.nExitCode, 3) << name;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << name;
        EXPECT_NE(r.strOutput.find(" - encrypted; no password given"), std::string::npos) << name;
    }
}

TEST(UnrarFixturesTest, ExtractsThePlainEntriesBesideEncryptedOnes) {
    REQUIRE_SHARED_FIXTURES();
    CUnrarTempDir tmp;
    UnrarResult r =
        RunUnrar({"x", "-p-", "-idp", RarFixtures() + "test_read_format_rar4_encrypted.rar", tmp.Path()});
    EXPECT_EQ(r.nExitCode, 3);
    std::map<std::string, std::string> expected = {{"a.txt", "f:This is from a.txt"},
                                                   {"c.txt", "f:This is from c.txt"}};
    EXPECT_EQ(ReadTree(tmp.Path()), expected);
}

TEST(UnrarFixturesTest, FailsOnEveryDamagedArchive) {
    REQUIRE_SHARED_FIXTURES();
    for (const std::string& name : DAMAGED_ARCHIVES) {
        CUnrarTempDir tmp;
        UnrarResult r =
            RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", RarFixtures() + name, tmp.Path()});
        EXPECT_EQ(r.nExitCode, 3) << name;
        EXPECT_EQ(r.strOutput.find("All OK"), std::string::npos) << name;
        EXPECT_NE(r.strOutput.find("Unexpected end of archive"), std::string::npos) << name;
    }
}

TEST(UnrarFixturesTest, StopsWithTheVolumePathWhenAMiddleVolumeIsMissing) {
    REQUIRE_SHARED_FIXTURES();
    CUnrarTempDir tmp;
    for (int i : {1, 2, 3, 5}) {
        std::string n = "test_read_format_rar5_multiarchive.part0" + std::to_string(i) + ".rar";
        std::filesystem::copy_file(RarFixtures() + n, tmp.Sub("set.part0" + std::to_string(i) + ".rar"));
    }
    UnrarResult r =
        RunUnrar({"x", "-o+", "-ierr", "-av-", "-y", "-idp", tmp.Sub("set.part01.rar"), tmp.Sub("out")});
    std::string text =
        NormalizeOutput(r.strOutput, {tmp.Path()}) + "[exit " + std::to_string(r.nExitCode) + "]\n";
    EXPECT_TRUE(MatchesExpected("rar5_missing_middle_volume", text));
    // The first program lies in volumes 1-3 and is complete; the second is not written.
    auto tree = ReadTree(tmp.Sub("out"));
    EXPECT_EQ(tree.count("home/antek/temp/build/unrar5/libarchive/bin/bsdcat_test"), 1u);
    EXPECT_EQ(tree.count("home/antek/temp/build/unrar5/libarchive/bin/bsdtar_test"), 0u);
}
