#pragma once
// Ctrl+U / Ctrl+D / Ctrl+T / Ctrl+B: the selected rows move one step up or down,
// or to the top or the bottom, keeping their order. Built on CJobList::MoveRows
// (a target row counted after the moved rows were taken out). Refused (empty
// answer) while processing; answers the rows the moved items now occupy.

#include <vector>

class CJobList;

enum class EMoveStepLocal { Up, Down, Top, Bottom };

std::vector<int> MoveSelection(CJobList& list, std::vector<int> arrRows, EMoveStepLocal nStep);
