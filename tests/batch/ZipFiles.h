#pragma once
// Writes small ZIP files for the driver's tests through libzip (deflate; AES-256
// when a password is given).

#include <zip.h>

#include <string>
#include <utility>
#include <vector>

inline bool WriteZip(const std::string& strPath,
                     const std::vector<std::pair<std::string, std::string>>& arrEntries,
                     const std::string& strPassword = std::string()) {
    int nError = 0;
    zip_t* pZip = zip_open(strPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    if (pZip == nullptr)
        return false;
    for (const auto& [strName, strData] : arrEntries) {
        zip_source_t* pSource = zip_source_buffer(pZip, strData.data(), strData.size(), 0);
        const zip_int64_t nIndex = zip_file_add(pZip, strName.c_str(), pSource, ZIP_FL_OVERWRITE);
        if (nIndex < 0) {
            zip_source_free(pSource);
            zip_discard(pZip);
            return false;
        }
        if (!strPassword.empty() && zip_file_set_encryption(pZip, static_cast<zip_uint64_t>(nIndex),
                                                            ZIP_EM_AES_256, strPassword.c_str()) != 0) {
            zip_discard(pZip);
            return false;
        }
    }
    return zip_close(pZip) == 0;
}
