#pragma once
// Small pure readers of the console RAR program's output, shared by the runner and
// the tests.

#include <string>
#include <string_view>

// True when the line is one of the program's own password prompts or its retry text
// after a wrong password. Backspaces count as blanks; a line that starts like one of
// the program's member or archive lines is never a prompt, so a member called
// "foo password: x.txt" does not stop an extraction.
bool IsPasswordPromptLine(std::string_view line);

// Reads the percentage the program writes before a "%" sign: the last "%" of the text
// that has 1 to 3 digits right before it gives its value (0..100). Answers false and
// leaves nPercent alone when no such "%" exists or the value is above 100. Only a "%" at
// position nFrom or later counts (the digits before it may lie before nFrom): the runner
// puts the end of the previous chunk in front, for a percentage split by a read.
bool ReadPercent(std::string_view text, int& nPercent, std::size_t nFrom = 0);

// Appends text to the recent-output buffer of the percent mode, first keeping only the
// last 500 characters once the buffer has passed 1000.
void AppendRecentOutput(std::string& strRecent, std::string_view text);

// Replaces the backspaces the program uses to redraw its percentage by blanks.
void BlankBackspaces(std::string& strText);
