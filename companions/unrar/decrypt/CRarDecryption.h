#pragma once
// Decryption of one RAR set with one password, between the volume files and everything
// that reads them. Each volume opened through OpenVolume() is handed out as a plain volume:
// encrypted headers decrypted and rewritten without their encryption records (checksums
// recomputed), encrypted file data decrypted on the fly, stored entries trimmed of their
// cipher padding. libarchive and the block reader then see an archive that was never
// encrypted, so extraction keeps one path.
//
// What the plain headers no longer say is kept here, per rewritten file header (volume
// path + the header's offset in the plain volume): that the entry was encrypted, whether
// the password is known to be wrong (RAR 5.0 password check value), and the stored
// checksums, which RAR 5.0 keys with the password ("tweaked" checksums) so that only this
// object can compare them.
//
// Volumes must be opened in set order (a file continued in the next volume continues its
// cipher stream there). Used from one thread. Failures are data: HeadersPasswordWrong(),
// CDecryptedFile::eState.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "companions/unrar/CRarBlockReader.h"
#include "companions/unrar/IRarVolumeSource.h"
#include "companions/unrar/crypto/CRarKeyCache.h"

struct CDecryptedFile {
    enum class State {
        Decrypted,      // data handed out decrypted
        WrongPassword,  // the password check value says the password is not this file's
        Undecryptable,  // a method or layout this program does not decrypt (strProblem)
    };
    std::string strName;
    State eState = State::Decrypted;
    std::string strProblem;
    bool bRar5 = false;
    bool bPasswordVerified = false;  // a RAR 5.0 check value confirmed the password
    bool bKeyedChecksums = false;    // the stored checksums below are keyed with the password
    std::array<uint8_t, 32> arrHashKey{};
    bool bHasCrc = false;  // of the unpacked entry (last piece of a split entry only)
    uint32_t nStoredCrc = 0;
    bool bHasBlake2 = false;
    std::array<uint8_t, 32> arrStoredBlake2{};
    bool bSplitAfter = false;  // a piece that continues in the next volume

    // True when the computed CRC32 (and, when the header stores one, the BLAKE2sp digest;
    // pass nullptr when it was not computed) matches what the header stored.
    bool ChecksumsMatch(uint32_t nCrc, const std::array<uint8_t, 32>* pBlake2) const;
};

class CRarDecryption {
public:
    explicit CRarDecryption(std::string strPassword);

    // Opens a volume file and returns it as a plain volume (nullptr and strError when the
    // file cannot be opened). Matches CRarVolumeSet's opener.
    std::unique_ptr<IRarVolumeSource> OpenVolume(const std::string& strPath, std::string& strError);
    // The same for a volume that is already open.
    std::unique_ptr<IRarVolumeSource> Wrap(std::unique_ptr<IRarVolumeSource> pRaw);

    // What the plain volume's file header at nHeaderOffset no longer says; nullptr for a
    // header that was never encrypted.
    const CDecryptedFile* FindFile(const std::string& strVolumePath, uint64_t nHeaderOffset) const;

    // True once a volume's encrypted headers did not decrypt with the password (RAR 5.0:
    // the check value disagrees; RAR 4.x or no check value: the first header's checksum
    // fails). Such a volume is handed out cut short after its signature and main header.
    bool HeadersPasswordWrong() const { return m_bHeadersPasswordWrong; }
    // True when any volume had encrypted headers or any file encrypted data.
    bool SawEncryption() const { return m_bSawEncryption; }

    CRarKeyCache& Keys() { return m_keys; }

private:
    std::unique_ptr<IRarVolumeSource> DecryptHeaders(std::unique_ptr<IRarVolumeSource> pRaw,
                                                     const RarVolumeInfo& info);
    std::unique_ptr<IRarVolumeSource> DecryptData(std::unique_ptr<IRarVolumeSource> pLower,
                                                  const RarVolumeInfo& info);

    struct CCarry {
        std::array<uint8_t, 16> arrLastCipher{};  // IV of the next piece
        uint64_t nPlainSoFar = 0;
        uint64_t nBlockSkip = 0;  // RAR 5.0 compressed data: where the next block starts
    };

    std::string m_strPassword;
    CRarKeyCache m_keys;
    std::map<std::pair<std::string, uint64_t>, CDecryptedFile> m_mapFiles;
    std::map<std::string, CCarry> m_mapCarry;  // split entries by name
    bool m_bHeadersPasswordWrong = false;
    bool m_bSawEncryption = false;
};
