#pragma once
// Test helper: opens a RAR set through CRarDecryption (as the program does) and lets
// libarchive read the plain volumes through its custom-read callbacks, one callback data
// per volume. Collects each entry's content or libarchive's error.

#include <archive.h>
#include <archive_entry.h>

#include <map>
#include <string>
#include <vector>

#include "companions/unrar/CRarVolumeSet.h"
#include "companions/unrar/decrypt/CRarDecryption.h"

struct CReadEntry {
    std::string strContent;
    std::string strError;  // empty when the data read cleanly
    const CDecryptedFile* pInfo = nullptr;
};

class CPlainSetReader {
public:
    explicit CPlainSetReader(const std::string& strPassword) : decryption(strPassword) {}

    // Opens the set and reads every entry in order; strFatal is set when libarchive stops.
    void Read(const std::string& strFirstVolume) {
        set.Open(strFirstVolume, [this](const std::string& strPath, std::string& strError) {
            return decryption.OpenVolume(strPath, strError);
        });
        // The file blocks that start an entry, in order, for FindFile.
        std::vector<std::pair<std::string, uint64_t>> arrStarts;
        for (const RarSetVolume& v : set.arrVolumes) {
            for (const RarFileBlock& f : v.info.arrFiles) {
                if (!f.bSplitBefore) {
                    arrStarts.emplace_back(v.pSource->Path(), f.nHeaderOffset);
                }
            }
        }
        m_arrVolumes.clear();
        for (RarSetVolume& v : set.arrVolumes) {
            CVolume volume;
            volume.pSource = v.pSource.get();
            m_arrVolumes.push_back(volume);
        }
        archive* a = archive_read_new();
        archive_read_support_format_rar(a);
        archive_read_support_format_rar5(a);
        for (CVolume& v : m_arrVolumes) {
            archive_read_append_callback_data(a, &v);
        }
        archive_read_set_open_callback(a, &OpenCb);
        archive_read_set_read_callback(a, &ReadCb);
        archive_read_set_seek_callback(a, &SeekCb);
        archive_read_set_skip_callback(a, &SkipCb);
        archive_read_set_switch_callback(a, &SwitchCb);
        if (archive_read_open1(a) != ARCHIVE_OK) {
            strFatal = archive_error_string(a) ? archive_error_string(a) : "open failed";
            archive_read_free(a);
            return;
        }
        archive_entry* pEntry = nullptr;
        size_t nIndex = 0;
        int r = ARCHIVE_OK;
        while ((r = archive_read_next_header(a, &pEntry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
            CReadEntry entry;
            if (nIndex < arrStarts.size()) {
                entry.pInfo = decryption.FindFile(arrStarts[nIndex].first, arrStarts[nIndex].second);
            }
            ++nIndex;
            const std::string strName = archive_entry_pathname(pEntry);
            char buf[65536];
            la_ssize_t n = 0;
            // As the program does: an entry that cannot be decrypted is not read.
            if (entry.pInfo && entry.pInfo->eState != CDecryptedFile::State::Decrypted) {
                arrOrder.push_back(strName);
                mapEntries[strName] = entry;
                archive_read_data_skip(a);
                continue;
            }
            while ((n = archive_read_data(a, buf, sizeof buf)) > 0) {
                entry.strContent.append(buf, size_t(n));
            }
            if (n < 0) {
                entry.strError = archive_error_string(a) ? archive_error_string(a) : "read failed";
            }
            arrOrder.push_back(strName);
            mapEntries[strName] = entry;
        }
        if (r != ARCHIVE_EOF && strFatal.empty()) {
            strFatal = archive_error_string(a) ? archive_error_string(a) : "read failed";
        }
        archive_read_free(a);
    }

    CRarDecryption decryption;
    CRarVolumeSet set;
    std::map<std::string, CReadEntry> mapEntries;
    std::vector<std::string> arrOrder;
    std::string strFatal;

private:
    struct CVolume {
        IRarVolumeSource* pSource = nullptr;
        uint64_t nOffset = 0;
        std::vector<char> arrBuffer;
    };
    static la_ssize_t ReadCb(archive*, void* pData, const void** ppBuffer) {
        auto* v = static_cast<CVolume*>(pData);
        v->arrBuffer.resize(1 << 20);
        const int64_t n = v->pSource->ReadAt(v->nOffset, v->arrBuffer.data(), v->arrBuffer.size());
        if (n < 0) {
            return ARCHIVE_FATAL;
        }
        v->nOffset += uint64_t(n);
        *ppBuffer = v->arrBuffer.data();
        return n;
    }
    static la_int64_t SeekCb(archive*, void* pData, la_int64_t nOffset, int nWhence) {
        auto* v = static_cast<CVolume*>(pData);
        const int64_t nBase = nWhence == SEEK_SET   ? 0
                              : nWhence == SEEK_CUR ? int64_t(v->nOffset)
                                                    : int64_t(v->pSource->Size());
        v->nOffset = uint64_t(nBase + nOffset);
        return la_int64_t(v->nOffset);
    }
    static la_int64_t SkipCb(archive*, void* pData, la_int64_t nSkip) {
        auto* v = static_cast<CVolume*>(pData);
        const uint64_t nLeft = v->pSource->Size() - std::min(v->nOffset, v->pSource->Size());
        const uint64_t n = std::min<uint64_t>(uint64_t(nSkip), nLeft);
        v->nOffset += n;
        return la_int64_t(n);
    }
    static int SwitchCb(archive*, void*, void* pNext) {
        if (pNext) {
            static_cast<CVolume*>(pNext)->nOffset = 0;
        }
        return ARCHIVE_OK;
    }
    static int OpenCb(archive*, void* pData) {
        static_cast<CVolume*>(pData)->nOffset = 0;
        return ARCHIVE_OK;
    }
    std::vector<CVolume> m_arrVolumes;
};
