#include "app/ListMoves.h"

#include <algorithm>

#include "engine/CJobList.h"

std::vector<int> MoveSelection(CJobList& list, std::vector<int> arrRows, EMoveStepLocal nStep) {
    std::sort(arrRows.begin(), arrRows.end());
    arrRows.erase(std::unique(arrRows.begin(), arrRows.end()), arrRows.end());
    arrRows.erase(std::remove_if(arrRows.begin(), arrRows.end(),
                                 [&list](int nRow) { return nRow < 0 || nRow >= list.RowCount(); }),
                  arrRows.end());
    if (arrRows.empty() || list.IsProcessing())
        return {};
    const int nRemaining = list.RowCount() - static_cast<int>(arrRows.size());
    int nTarget = 0;
    switch (nStep) {
        case EMoveStepLocal::Up:
            nTarget = std::max(0, arrRows.front() - 1);
            break;
        case EMoveStepLocal::Down:
            nTarget = std::min(nRemaining, arrRows.front() + 1);
            break;
        case EMoveStepLocal::Top:
            nTarget = 0;
            break;
        case EMoveStepLocal::Bottom:
            nTarget = nRemaining;
            break;
    }
    return list.MoveRows(arrRows, nTarget);
}
