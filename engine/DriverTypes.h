#pragma once
// The records the driver, the companion copies and clean-up work on, gathered in
// one place: the job list's item record and the scan's work-list records.

#include "engine/CFileInformation.h"
#include "engine/CListItem.h"
