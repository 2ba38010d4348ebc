#include "companions/unrar/decrypt/CRarDecryption.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "companions/unrar/crypto/CAesCbc.h"
#include "companions/unrar/crypto/RarKeyDerivation.h"
#include "companions/unrar/decrypt/CPlainVolumeSource.h"
#include "companions/unrar/decrypt/RarHeaderEditor.h"

namespace {

constexpr size_t AES_BLOCK = CAesCbc::BLOCK;

uint64_t RoundUpToBlock(uint64_t n) {
    return (n + AES_BLOCK - 1) / AES_BLOCK * AES_BLOCK;
}

// Decrypts nSize bytes (whole blocks) of the lower volume at nOffset.
bool DecryptAt(CPlainVolumeSource& out, uint64_t nOffset, size_t nSize, const uint8_t* pKey, size_t nKeySize,
               const uint8_t* pIv, std::vector<uint8_t>& plain) {
    plain.resize(nSize);
    if (!out.ReadLower(nOffset, plain.data(), nSize)) {
        return false;
    }
    CAesCbc aes(pKey, nKeySize, pIv, false);
    return aes.Process(plain.data(), nSize, plain.data());
}

// Decrypts the plain bytes [nFrom, nFrom + nSize) of a cipher stream that starts at
// nStreamOffset of the lower volume with arrIv: only the blocks that hold them and the
// cipher block before the first one are read.
bool DecryptRange(CPlainVolumeSource& out, uint64_t nStreamOffset, const uint8_t* pKey, size_t nKeySize,
                  const std::array<uint8_t, 16>& arrIv, uint64_t nFrom, size_t nSize, uint8_t* pOut) {
    const uint64_t nFirst = nFrom / AES_BLOCK * AES_BLOCK;
    const uint64_t nEnd = RoundUpToBlock(nFrom + nSize);
    std::array<uint8_t, 16> arrPrev = arrIv;
    if (nFirst > 0 && !out.ReadLower(nStreamOffset + nFirst - AES_BLOCK, arrPrev.data(), AES_BLOCK)) {
        return false;
    }
    std::vector<uint8_t> plain;
    if (!DecryptAt(out, nStreamOffset + nFirst, size_t(nEnd - nFirst), pKey, nKeySize, arrPrev.data(),
                   plain)) {
        return false;
    }
    std::memcpy(pOut, plain.data() + (nFrom - nFirst), nSize);
    return true;
}

}  // namespace

bool CDecryptedFile::ChecksumsMatch(uint32_t nCrc, const std::array<uint8_t, 32>* pBlake2) const {
    if (bHasCrc) {
        const uint32_t nExpected = bKeyedChecksums ? rarcrypto::Rar5KeyedCrc32(nCrc, arrHashKey) : nCrc;
        if (nExpected != nStoredCrc) {
            return false;
        }
    }
    if (bHasBlake2 && pBlake2) {
        const std::array<uint8_t, 32> expected =
            bKeyedChecksums ? rarcrypto::Rar5KeyedBlake2(pBlake2->data(), arrHashKey) : *pBlake2;
        if (expected != arrStoredBlake2) {
            return false;
        }
    }
    return true;
}

CRarDecryption::CRarDecryption(std::string strPassword) : m_strPassword(std::move(strPassword)) {}

std::unique_ptr<IRarVolumeSource> CRarDecryption::OpenVolume(const std::string& strPath,
                                                             std::string& strError) {
    auto pFile = CFileVolumeSource::Open(strPath, strError);
    if (!pFile) {
        return nullptr;
    }
    pFile->AdviseSequential();
    return Wrap(std::move(pFile));
}

std::unique_ptr<IRarVolumeSource> CRarDecryption::Wrap(std::unique_ptr<IRarVolumeSource> pRaw) {
    const RarVolumeInfo info = CRarBlockReader::ReadVolume(*pRaw);
    if (info.eStatus == RarScanStatus::HeadersEncrypted) {
        m_bSawEncryption = true;
        auto pHeaders = DecryptHeaders(std::move(pRaw), info);
        const RarVolumeInfo plainInfo = CRarBlockReader::ReadVolume(*pHeaders);
        return DecryptData(std::move(pHeaders), plainInfo);
    }
    return DecryptData(std::move(pRaw), info);
}

const CDecryptedFile* CRarDecryption::FindFile(const std::string& strVolumePath,
                                               uint64_t nHeaderOffset) const {
    auto it = m_mapFiles.find({strVolumePath, nHeaderOffset});
    return it == m_mapFiles.end() ? nullptr : &it->second;
}

std::unique_ptr<IRarVolumeSource> CRarDecryption::DecryptHeaders(std::unique_ptr<IRarVolumeSource> pRaw,
                                                                 const RarVolumeInfo& info) {
    auto pOut = std::make_unique<CPlainVolumeSource>(std::move(pRaw));
    CPlainVolumeSource& out = *pOut;
    const uint64_t nSize = out.Lower().Size();
    std::vector<uint8_t> plain;
    uint64_t pos = info.nValidEnd;
    bool bFirst = true;

    // Whatever cannot be decrypted is handed on as it is, so that a damaged or cut volume
    // still reads as damaged.
    auto copyRest = [&]() {
        if (pos < nSize) {
            out.AddCopy(pos, nSize - pos);
        }
    };
    auto wrongPassword = [&]() {
        m_bHeadersPasswordWrong = true;
        return std::move(pOut);
    };

    if (info.eFormat == RarFormat::Rar5) {
        out.AddCopy(0, 8);  // the signature; the archive encryption header is dropped
        const RarEncryption& enc = info.headerEncryption;
        const rarcrypto::CRar5Keys* pKeys =
            enc.arrSalt.size() == rarcrypto::RAR5_SALT_SIZE
                ? m_keys.Rar5(m_strPassword, enc.arrSalt.data(), enc.nKdfCount)
                : nullptr;
        if (!pKeys || enc.nVersion != 0) {
            copyRest();
            return pOut;
        }
        if ((enc.nFlags & rarformat::rar5::ENCRYPTION_PASSWORD_CHECK) &&
            enc.arrCheck.size() == rarcrypto::RAR5_CHECK_SIZE &&
            rarcrypto::Rar5CheckRecordIsSound(enc.arrCheck.data()) &&
            !rarcrypto::Rar5PasswordMatches(*pKeys, enc.arrCheck.data())) {
            return wrongPassword();
        }
        while (pos + 2 * AES_BLOCK <= nSize) {
            uint8_t arrIv[AES_BLOCK];
            if (!out.ReadLower(pos, arrIv, AES_BLOCK) ||
                !DecryptAt(out, pos + AES_BLOCK, AES_BLOCK, pKeys->arrKey.data(), 32, arrIv, plain)) {
                break;
            }
            size_t p = 4;
            const auto headSize = rarheader::ReadVint(plain.data(), plain.size(), p);
            if (!headSize || *headSize == 0 || *headSize > rarformat::rar5::MAX_HEADER) {
                if (bFirst) {
                    return wrongPassword();
                }
                break;
            }
            const uint64_t nHeader = p + *headSize;
            const uint64_t nPadded = RoundUpToBlock(nHeader);
            if (pos + AES_BLOCK + nPadded > nSize ||
                !DecryptAt(out, pos + AES_BLOCK, size_t(nPadded), pKeys->arrKey.data(), 32, arrIv, plain)) {
                break;
            }
            const auto frame = rarheader::ReadRar5Frame(plain.data(), size_t(nHeader));
            if (!frame || !rarheader::Rar5HeaderCrcMatches(plain.data(), size_t(nHeader))) {
                if (bFirst) {
                    return wrongPassword();
                }
                break;
            }
            bFirst = false;
            out.AddLiteral(std::vector<uint8_t>(plain.begin(), plain.begin() + long(nHeader)));
            pos += AES_BLOCK + nPadded;
            const uint64_t nData = std::min<uint64_t>(frame->nDataSize, nSize - pos);
            out.AddCopy(pos, nData);
            pos += nData;
            if (frame->nType == rarformat::rar5::END_BLOCK) {
                break;
            }
        }
        copyRest();
        return pOut;
    }

    // RAR 4.x: every block after the main header is an 8-byte salt and the block encrypted
    // with the key of that salt.
    std::vector<uint8_t> mainHeader(size_t(info.nMainHeaderEnd - info.nMainHeaderOffset));
    if (!out.ReadLower(info.nMainHeaderOffset, mainHeader.data(), mainHeader.size())) {
        out.AddCopy(0, nSize);
        return pOut;
    }
    out.AddCopy(0, info.nMainHeaderOffset);
    out.AddLiteral(*rarheader::ClearRar4HeaderEncryption(mainHeader.data(), mainHeader.size()));
    pos = info.nMainHeaderEnd;
    while (pos + rarcrypto::RAR3_SALT_SIZE + AES_BLOCK <= nSize) {
        uint8_t arrSalt[rarcrypto::RAR3_SALT_SIZE];
        if (!out.ReadLower(pos, arrSalt, sizeof arrSalt)) {
            break;
        }
        const rarcrypto::CRar3Key* pKey = m_keys.Rar3(m_strPassword, arrSalt);
        const uint64_t cipherPos = pos + sizeof arrSalt;
        if (!pKey ||
            !DecryptAt(out, cipherPos, AES_BLOCK, pKey->arrKey.data(), 16, pKey->arrIv.data(), plain)) {
            break;
        }
        const uint16_t nHeader = rarformat::Le16(plain.data() + 5);
        const uint64_t nPadded = RoundUpToBlock(nHeader);
        if (nHeader < rarformat::rar4::BASE_SIZE || cipherPos + nPadded > nSize ||
            !DecryptAt(out, cipherPos, size_t(nPadded), pKey->arrKey.data(), 16, pKey->arrIv.data(), plain) ||
            !rarheader::Rar4HeaderCrcMatches(plain.data(), nHeader)) {
            if (bFirst) {
                return wrongPassword();
            }
            break;
        }
        const auto frame = rarheader::ReadRar4Frame(plain.data(), nHeader);
        if (!frame) {
            break;
        }
        bFirst = false;
        out.AddLiteral(std::vector<uint8_t>(plain.begin(), plain.begin() + nHeader));
        pos = cipherPos + nPadded;
        const uint64_t nData = std::min<uint64_t>(frame->nDataSize, nSize - pos);
        out.AddCopy(pos, nData);
        pos += nData;
        if (frame->nType == rarformat::rar4::END_BLOCK) {
            break;
        }
    }
    copyRest();
    return pOut;
}

std::unique_ptr<IRarVolumeSource> CRarDecryption::DecryptData(std::unique_ptr<IRarVolumeSource> pLower,
                                                              const RarVolumeInfo& info) {
    bool bAnyEncrypted = false;
    for (const RarFileBlock& f : info.arrFiles) {
        bAnyEncrypted = bAnyEncrypted || f.encryption.bPresent;
    }
    if (!bAnyEncrypted) {
        return pLower;
    }
    m_bSawEncryption = true;
    const std::string strPath = pLower->Path();
    auto pOut = std::make_unique<CPlainVolumeSource>(std::move(pLower));
    CPlainVolumeSource& out = *pOut;
    const bool bRar5 = info.eFormat == RarFormat::Rar5;
    if (!bRar5) {
        std::vector<std::string> arrSalts;
        for (const RarFileBlock& f : info.arrFiles) {
            if (f.encryption.bPresent) {
                arrSalts.emplace_back(f.encryption.arrSalt.begin(), f.encryption.arrSalt.end());
            }
        }
        m_keys.PrefetchRar3(m_strPassword, arrSalts, std::max(1u, std::thread::hardware_concurrency()));
    }
    uint64_t cursor = 0;
    std::vector<uint8_t> header;

    for (const RarFileBlock& f : info.arrFiles) {
        if (!f.encryption.bPresent) {
            continue;
        }
        header.resize(size_t(f.nDataOffset - f.nHeaderOffset));
        if (!out.ReadLower(f.nHeaderOffset, header.data(), header.size())) {
            break;
        }
        out.AddCopy(cursor, f.nHeaderOffset - cursor);
        cursor = f.nDataOffset + f.nPackedSize;

        CDecryptedFile entry;
        entry.strName = f.strName;
        entry.bRar5 = bRar5;
        entry.bHasCrc = f.bHasCrc && !f.bSplitAfter;
        entry.nStoredCrc = f.nCrc32;
        entry.bHasBlake2 = f.bHasBlake2 && !f.bSplitAfter;
        entry.arrStoredBlake2 = f.arrBlake2;
        entry.bSplitAfter = f.bSplitAfter;

        // Key and IV of this piece.
        const uint8_t* pKey = nullptr;
        size_t nKeySize = 0;
        std::array<uint8_t, 16> arrIv{};
        const RarEncryption& enc = f.encryption;
        if (bRar5) {
            const rarcrypto::CRar5Keys* pKeys =
                enc.nVersion == 0 && enc.arrSalt.size() == rarcrypto::RAR5_SALT_SIZE &&
                        enc.arrIv.size() == AES_BLOCK
                    ? m_keys.Rar5(m_strPassword, enc.arrSalt.data(), enc.nKdfCount)
                    : nullptr;
            if (!pKeys) {
                entry.eState = CDecryptedFile::State::Undecryptable;
                entry.strProblem = "unknown encryption method";
            } else {
                pKey = pKeys->arrKey.data();
                nKeySize = 32;
                std::memcpy(arrIv.data(), enc.arrIv.data(), AES_BLOCK);
                entry.arrHashKey = pKeys->arrHashKey;
                entry.bKeyedChecksums = (enc.nFlags & rarformat::rar5::ENCRYPTION_TWEAKED_CHECKSUMS) != 0;
                if ((enc.nFlags & rarformat::rar5::ENCRYPTION_PASSWORD_CHECK) &&
                    enc.arrCheck.size() == rarcrypto::RAR5_CHECK_SIZE &&
                    rarcrypto::Rar5CheckRecordIsSound(enc.arrCheck.data())) {
                    entry.bPasswordVerified = rarcrypto::Rar5PasswordMatches(*pKeys, enc.arrCheck.data());
                    if (!entry.bPasswordVerified) {
                        entry.eState = CDecryptedFile::State::WrongPassword;
                    }
                }
            }
        } else {
            // Format 2.9 and later: AES-128, the key from the password and the file's salt, or
            // from the password alone when the file has none (no salt flag). Older versions use
            // the RAR 1.5/2.0 ciphers, which are not AES; they are refused with a line saying so.
            static const uint8_t NO_SALT[1] = {0};
            const rarcrypto::CRar3Key* pKey3 = nullptr;
            if (f.nUnpackVersion < 29) {
                entry.strProblem = "the RAR 1.5/2.0 cipher (version " +
                                   std::to_string(f.nUnpackVersion / 10) + "." +
                                   std::to_string(f.nUnpackVersion % 10) +
                                   ") is not supported, only AES (RAR 2.9 and later)";
            } else if (enc.arrSalt.empty() && !(enc.nFlags & rarformat::rar4::FILE_SALT)) {
                pKey3 = m_keys.Rar3(m_strPassword, NO_SALT, 0);
            } else if (enc.arrSalt.size() == rarcrypto::RAR3_SALT_SIZE) {
                pKey3 = m_keys.Rar3(m_strPassword, enc.arrSalt.data());
            } else {
                entry.strProblem = "the salt is damaged";
            }
            if (!pKey3) {
                entry.eState = CDecryptedFile::State::Undecryptable;
                if (entry.strProblem.empty()) {
                    entry.strProblem = "the key could not be derived";
                }
            } else {
                pKey = pKey3->arrKey.data();
                nKeySize = 16;
                arrIv = pKey3->arrIv;
            }
        }

        // A piece that continues an entry continues its cipher stream.
        uint64_t nPlainSoFar = 0;
        if (f.bSplitBefore) {
            auto it = m_mapCarry.find(f.strName);
            if (it != m_mapCarry.end()) {
                arrIv = it->second.arrLastCipher;
                nPlainSoFar = it->second.nPlainSoFar;
            } else if (entry.eState == CDecryptedFile::State::Decrypted) {
                entry.eState = CDecryptedFile::State::Undecryptable;
                entry.strProblem = "the entry starts in a previous volume";
            }
        }
        if (entry.eState == CDecryptedFile::State::Decrypted && (f.nPackedSize % AES_BLOCK != 0)) {
            entry.eState = CDecryptedFile::State::Undecryptable;
            entry.strProblem = "the encrypted data is not a whole number of blocks";
        }

        uint64_t nPlainSize = f.nPackedSize;
        uint64_t nBlockSkip = 0;  // bytes of a compressed block begun in the previous piece
        if (f.bSplitBefore) {
            auto it = m_mapCarry.find(f.strName);
            if (it != m_mapCarry.end()) {
                nBlockSkip = it->second.nBlockSkip;
            }
        }
        bool bLastBlockSeen = false;
        if (bRar5 && !f.bStored && entry.eState == CDecryptedFile::State::Decrypted) {
            // RAR 5.0 compressed data is a chain of blocks, the entry's last one flagged. The
            // decoder reads on after that block as long as the data area lasts, so the cipher
            // padding must not reach it: the plain data ends with the last block. Block header:
            // flags (bits 3-5: size bytes - 1, bit 6: last block), check byte, size.
            uint64_t off = nBlockSkip;
            while (off < f.nPackedSize) {
                uint8_t arrHead[5] = {};
                const size_t nAvail = size_t(std::min<uint64_t>(5, f.nPackedSize - off));
                if (!DecryptRange(out, f.nDataOffset, pKey, nKeySize, arrIv, off, nAvail, arrHead)) {
                    break;
                }
                const size_t nSizeBytes = ((arrHead[0] >> 3) & 7) + 1;
                if (nSizeBytes > 3 || 2 + nSizeBytes > nAvail) {
                    break;  // not a block header (wrong data) or one split by the volume end
                }
                uint64_t nBlock = 0;
                for (size_t i = 0; i < nSizeBytes; ++i) {
                    nBlock |= uint64_t(arrHead[2 + i]) << (8 * i);
                }
                off += 2 + nSizeBytes + nBlock;
                if (arrHead[0] & 0x40) {
                    bLastBlockSeen = true;
                    if (off <= f.nPackedSize && !f.bSplitAfter) {
                        nPlainSize = off;
                    }
                    break;
                }
            }
            nBlockSkip = off > f.nPackedSize ? off - f.nPackedSize : 0;
        }
        if (f.bStored && f.bUnpackedSizeKnown && !f.bSplitAfter) {
            // Stored data ends where the entry ends; what follows is cipher padding.
            nPlainSize =
                std::min(nPlainSize, f.nUnpackedSize > nPlainSoFar ? f.nUnpackedSize - nPlainSoFar : 0);
        }
        const bool bDecrypt = entry.eState == CDecryptedFile::State::Decrypted;
        if (!bDecrypt) {
            nPlainSize = f.nPackedSize;
        }

        std::optional<std::vector<uint8_t>> rewritten =
            bRar5 ? rarheader::StripRar5FileEncryption(header.data(), header.size(),
                                                       entry.bKeyedChecksums || f.bSplitAfter, nPlainSize)
                  : rarheader::StripRar4FileEncryption(header.data(), header.size(), nPlainSize);
        if (!rewritten) {
            // A header the block reader accepted but the editor cannot rewrite: hand it on as
            // it is, so that it reads as the encrypted entry it is.
            out.AddCopy(f.nHeaderOffset, cursor - f.nHeaderOffset);
            continue;
        }
        const uint64_t nPlainHeaderOffset = out.Size();
        out.AddLiteral(std::move(*rewritten));
        if (bDecrypt) {
            out.AddDecrypt(f.nDataOffset, nPlainSize, pKey, nKeySize, arrIv);
        } else {
            out.AddCopy(f.nDataOffset, f.nPackedSize);
        }

        if (f.bSplitAfter && bDecrypt && f.nPackedSize >= AES_BLOCK) {
            CCarry carry;
            carry.nPlainSoFar = nPlainSoFar + nPlainSize;
            carry.nBlockSkip = bLastBlockSeen ? 0 : nBlockSkip;
            if (out.ReadLower(f.nDataOffset + f.nPackedSize - AES_BLOCK, carry.arrLastCipher.data(),
                              AES_BLOCK)) {
                m_mapCarry[f.strName] = carry;
            }
        } else {
            m_mapCarry.erase(f.strName);
        }
        m_mapFiles[{strPath, nPlainHeaderOffset}] = std::move(entry);
    }
    out.AddCopy(cursor, out.Lower().Size() - cursor);
    return pOut;
}
