// harvex-fuzz-seeds: writes the seed corpus of every fuzz target, made by the fixture
// writers, into OUTPUT/<target>/.
//
//   harvex-fuzz-seeds OUTPUT
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/CSingleInstance.h"
#include "platform/registry/CRegHive.h"
#include "platform/registry/RegistryTypes.h"
#include "tests/fixtures/CRar29Encoder.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CZipWriter.h"
#include "tests/fixtures/TestFiles.h"
#include "tests/fixtures/encryption/CRarEncryptionHook.h"

namespace {

std::string g_strOut;
int g_nFailures = 0;

void Check(bool bOk, const std::string& strWhat) {
    if (!bOk) {
        std::fprintf(stderr, "harvex-fuzz-seeds: %s failed\n", strWhat.c_str());
        ++g_nFailures;
    }
}

void Put(const std::string& strTarget, const std::string& strName, const std::string& strData) {
    mkdir((g_strOut + "/" + strTarget).c_str(), 0755);
    Check(testfiles::WriteFile(g_strOut + "/" + strTarget + "/" + strName, strData),
          strTarget + "/" + strName);
}

// Writes a RAR set into a scratch folder and puts each volume into the target's seeds.
void PutRar(const std::string& strTarget, const std::string& strName, CRarWriter& writer) {
    std::string strScratch = g_strOut + "/.scratch";
    mkdir(strScratch.c_str(), 0755);
    CRarResult result = writer.Write(strScratch + "/" + strName + ".rar");
    Check(result.bOk, strName + ": " + result.strError);
    for (size_t i = 0; i < result.arrWritten.size(); ++i) {
        Put(strTarget, strName + "-" + std::to_string(i) + ".rar", testfiles::ReadFile(result.arrWritten[i]));
        std::remove(result.arrWritten[i].c_str());
    }
}

void FillRar(CRarWriter& writer) {
    writer.AddDirectory("Movie");
    writer.AddFile("Movie/movie.nfo", "release notes\r\n");
    writer.AddFile("Movie/movie.mkv", testfiles::RandomBytes(3000, 11));
    writer.AddFile("Movie/Subs/ünïcode name.srt", std::string(700, 's'));
    writer.AddSymlink("Movie/link", "movie.mkv");
}

void RarSeeds() {
    for (ERarFormat eFormat : {ERarFormat::Rar4, ERarFormat::Rar5}) {
        std::string strFormat = eFormat == ERarFormat::Rar4 ? "rar4" : "rar5";
        CRarOptions options;
        options.eFormat = eFormat;
        CRarWriter single(options);
        FillRar(single);
        PutRar("rar_blocks", strFormat, single);
        options.nVolumeSize = 2000;
        CRarWriter volumes(options);
        FillRar(volumes);
        PutRar("rar_blocks", strFormat + "-volume", volumes);

        for (bool bHeaders : {false, true}) {
            CRarEncryptionOptions crypt;
            crypt.strPassword = "fuzz";
            crypt.bEncryptHeaders = bHeaders;
            crypt.nKdfCount = 1;  // cheap derivations keep the target fast
            CRarEncryptionHook hook(crypt);
            CRarOptions encrypted;
            encrypted.eFormat = eFormat;
            encrypted.pHook = &hook;
            CRarWriter writer(encrypted);
            FillRar(writer);
            PutRar("rar_decrypt", strFormat + (bHeaders ? "-headers" : "-data"), writer);
        }
    }
    CRar29SolidHook solid(2, true);
    CRarOptions options;
    options.eFormat = ERarFormat::Rar4;
    options.pHook = &solid;
    CRarWriter compressed(options);
    FillRar(compressed);
    PutRar("rar_blocks", "rar4-solid", compressed);
}

// The RAR 2.9 target's input: 4 bytes of parameters (see FuzzRar29.cpp), then the streams.
void Rar29Seeds() {
    struct Case {
        std::string strName;
        std::vector<std::string> arrFiles;
    };
    std::string strText;
    for (int i = 0; i < 300; ++i) {
        strText += "line " + std::to_string(i % 17) + " of a text that repeats\n";
    }
    std::vector<Case> arrCases = {
        {"one-text", {strText}},
        {"one-random", {testfiles::RandomBytes(5000, 3)}},
        {"solid-three", {strText.substr(0, 4000), strText.substr(2000), std::string(3000, 'z')}},
    };
    for (const Case& c : arrCases) {
        CRar29Encoder encoder(1 << 20);
        std::string strPacked;
        size_t nLongest = 0;
        for (size_t i = 0; i < c.arrFiles.size(); ++i) {
            strPacked += encoder.CompressFile(c.arrFiles[i], i > 0);
            nLongest = std::max(nLongest, c.arrFiles[i].size());
        }
        size_t nKib = (nLongest + 1023) / 1024 - 1;  // at most 255: the target's limit
        std::string strSeed;
        strSeed += char(c.arrFiles.size() - 1);
        strSeed += char(4);  // 1 MiB window
        strSeed += char(nKib & 0xFF);
        strSeed += char(nKib >> 8);
        Put("rar29", c.strName, strSeed + strPacked);
    }
}

void ZipSeeds() {
    std::string strScratch = g_strOut + "/.scratch";
    mkdir(strScratch.c_str(), 0755);
    auto put = [&](const std::string& strName, CZipWriter& writer) {
        std::string strPath = strScratch + "/" + strName + ".zip";
        CZipResult result = writer.Write(strPath);
        Check(result.bOk, strName + ": " + result.strError);
        Put("zip_layout", strName + ".zip", testfiles::ReadFile(strPath));
        std::remove(strPath.c_str());
    };
    CZipWriter plain;
    plain.AddDirectory("Movie/");
    plain.AddFile("Movie/movie.nfo", "release notes\r\n", EZipMethod::Store);
    plain.AddFile("Movie/movie.mkv", testfiles::RandomBytes(2000, 5));
    plain.AddSymlink("Movie/link", "movie.mkv");
    put("plain", plain);
    CZipWriter aes;
    aes.SetPassword("fuzz", EZipCrypt::Aes256);
    aes.SetAesVersion(EZipAesVersion::Ae2);
    aes.AddFile("a.txt", std::string(500, 'a'));
    aes.AddFile("b.bin", testfiles::RandomBytes(300, 6), EZipMethod::Store);
    put("aes", aes);
    CZipWriter crypto;
    crypto.SetPassword("fuzz", EZipCrypt::ZipCrypto);
    crypto.AddFile("c.txt", "traditional");
    put("zipcrypto", crypto);
}

void RegSeeds() {
    CRegHive hive("HKEY_CURRENT_USER");
    const std::string strKey = "Software\\Morvane\\Harvex";
    hive.CreateKey(strKey + "\\Presets\\Preset1");
    hive.SetValue(strKey, "OutputFolder", REG_SZ, {'/', 'h', 'o', 'm', 'e', '/', '"', '\\', 0});
    hive.SetValue(strKey, "Test", REG_DWORD, {1, 0, 0, 0});
    hive.SetValue(strKey, "", REG_SZ, {'d', 'e', 'f', 0});
    std::vector<std::uint8_t> arrLong(300);
    for (size_t i = 0; i < arrLong.size(); ++i) {
        arrLong[i] = std::uint8_t(i * 7);
    }
    hive.SetValue(strKey + "\\Presets\\Preset1", "Blob", REG_BINARY, arrLong);
    hive.SetValue(strKey + "\\Presets\\Preset1", "Size", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    hive.SetValue(strKey + "\\Presets\\Preset1", "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    hive.SetValue(strKey + "\\Presets\\Preset1", "Expand", REG_EXPAND_SZ, {'%', 'H', '%', 0});
    Put("reg_text", "hive.reg", hive.ToRegText());
    Put("reg_text", "empty.reg", CRegHive("HKEY_CURRENT_USER").ToRegText());
}

void HandOverSeeds() {
    // Byte 0: the flags of FuzzHandOver.cpp (20 presets, idle); then the payload.
    const std::string strFlags(1, char(20 << 3));
    Put("handover", "paths",
        strFlags + CSingleInstance::EncodeArguments({"/home/u/Downloads/Movie", "rel/x.rar"}));
    Put("handover", "presets",
        strFlags +
            CSingleInstance::EncodeArguments({"?Preset2?", "/a b/c.zip", "?Preset21?", "d", "?Preset?"}));
    Put("handover", "busy", std::string(1, char(3)) + CSingleInstance::EncodeArguments({"*?.rar", ""}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: harvex-fuzz-seeds OUTPUT\n");
        return 2;
    }
    g_strOut = argv[1];
    mkdir(g_strOut.c_str(), 0755);
    RarSeeds();
    Rar29Seeds();
    ZipSeeds();
    RegSeeds();
    HandOverSeeds();
    std::remove((g_strOut + "/.scratch").c_str());
    return g_nFailures == 0 ? 0 : 1;
}
