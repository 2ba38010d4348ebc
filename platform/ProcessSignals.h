#pragma once
// The process-wide signal set-up every Harvex program makes first in main: a file-size
// limit (SIGXFSZ) must turn into a write error of the item, and a closed pipe (SIGPIPE)
// into a failed write, never an end of the program in the middle of an item.

void IgnoreWriteSignals();
