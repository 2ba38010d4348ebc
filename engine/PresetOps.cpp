#include "engine/PresetOps.h"

#include "engine/CItemStates.h"
#include "engine/COutputFolders.h"

namespace {

bool IsIndexOf(const std::vector<CPresets>& arrPresets, int nIndex) {
    return nIndex >= 0 && nIndex < static_cast<int>(arrPresets.size());
}

// Renumbers every item by fnMap (old index -> new index) and renews the image
// of the rows that show their idle image (no result yet, not being processed).
template <typename FMap>
void RenumberItems(CJobList& list, FMap fnMap) {
    for (int nIndex = 0; nIndex < list.ItemCount(); ++nIndex) {
        CListItem& item = list.Item(nIndex);
        if (item.nPreset >= 0) {
            item.nPreset = fnMap(item.nPreset);
        }
    }
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        if (nRow == list.CurrentRow()) {
            continue;
        }
        const CListItem* pItem = list.ItemById(list.RowId(nRow));
        if (pItem != nullptr && pItem->strStatus.empty()) {
            list.SetRowImage(nRow, list.IdleImage(*pItem));
        }
    }
}

}  // namespace

int PresetNameLength(const std::string& strUtf8) {
    int nLength = 0;
    const size_t nSize = strUtf8.size();
    for (size_t i = 0; i < nSize; ++nLength) {
        const unsigned char c = static_cast<unsigned char>(strUtf8[i]);
        // Lead byte: how many continuation bytes follow and the smallest code
        // point that needs them (longer forms are not characters).
        size_t nFollow = 0;
        char32_t nMin = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            nFollow = 1;
            nMin = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            nFollow = 2;
            nMin = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            nFollow = 3;
            nMin = 0x10000;
        }
        bool bValid = nFollow > 0 && nSize - i > nFollow;
        char32_t nCode = c & (0x3F >> nFollow);
        for (size_t k = 1; bValid && k <= nFollow; ++k) {
            const unsigned char f = static_cast<unsigned char>(strUtf8[i + k]);
            bValid = (f & 0xC0) == 0x80;
            nCode = (nCode << 6) | (f & 0x3F);
        }
        bValid = bValid && nCode >= nMin && nCode <= 0x10FFFF && (nCode < 0xD800 || nCode > 0xDFFF);
        i += bValid ? nFollow + 1 : 1;
    }
    return nLength;
}

bool MovePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nFrom, int nTo) {
    if (!IsIndexOf(arrPresets, nFrom) || !IsIndexOf(arrPresets, nTo) || nFrom == nTo) {
        return false;
    }
    const CPresets moved = arrPresets[static_cast<size_t>(nFrom)];
    arrPresets.erase(arrPresets.begin() + nFrom);
    arrPresets.insert(arrPresets.begin() + nTo, moved);
    RenumberItems(list, [nFrom, nTo](int nPreset) {
        if (nPreset == nFrom) {
            return nTo;
        }
        if (nFrom < nTo && nPreset > nFrom && nPreset <= nTo) {
            return nPreset - 1;
        }
        if (nTo < nFrom && nPreset >= nTo && nPreset < nFrom) {
            return nPreset + 1;
        }
        return nPreset;
    });
    return true;
}

bool DeletePreset(std::vector<CPresets>& arrPresets, CJobList& list, int nIndex, COutputFolders* pOutput) {
    if (!IsIndexOf(arrPresets, nIndex)) {
        return false;
    }
    arrPresets.erase(arrPresets.begin() + nIndex);
    RenumberItems(list, [nIndex](int nPreset) {
        if (nPreset == nIndex) {
            return -1;
        }
        return nPreset > nIndex ? nPreset - 1 : nPreset;
    });
    if (pOutput != nullptr) {
        for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
            const CListItem* pItem = list.ItemById(list.RowId(nRow));
            if (pItem != nullptr && pItem->strStatus != ItemStates::COMPLETED) {
                pOutput->RefreshOutputColumn(nRow);
            }
        }
    }
    return true;
}

int DeleteUnlistablePresets(std::vector<CPresets>& arrPresets, CJobList& list, COutputFolders* pOutput) {
    int nDeleted = 0;
    for (int nIndex = 0; nIndex < static_cast<int>(arrPresets.size());) {
        const int nLength = PresetNameLength(arrPresets[static_cast<size_t>(nIndex)].strName);
        if (nLength == 0 || nLength > PRESET_NAME_MAX) {
            DeletePreset(arrPresets, list, nIndex, pOutput);  // the next one moved into nIndex
            ++nDeleted;
        } else {
            ++nIndex;
        }
    }
    return nDeleted;
}

std::string PresetLimitMessage() {
    return "No more than " + std::to_string(PRESET_MAX) +
           " presets allowed.\r\nPlease edit or delete an existing preset.";
}
