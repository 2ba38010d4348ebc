#pragma once
// Fixed texts of the console RAR program that the runner and the output parser
// recognise. They are part of the program's interface: our own `unrar` prints them
// (companions/unrar/UnrarContract.h) and the matching is case-sensitive. The prompt forms
// beyond our program's own are those of other console RAR programs found on PATH.

#include <array>
#include <string_view>

#include "companions/unrar/UnrarContract.h"

namespace RarToolTexts {

// Printed when the program opens a volume: followed by the volume's full path.
inline constexpr std::string_view EXTRACTING_FROM = "Extracting from";
inline constexpr std::string_view TESTING_ARCHIVE = "Testing archive";
static_assert(std::string_view(unrar::TEXT_EXTRACTING_FROM).starts_with(EXTRACTING_FROM));
static_assert(std::string_view(unrar::TEXT_TESTING_ARCHIVE).starts_with(TESTING_ARCHIVE));

// Beginnings of the program's own lines that carry a member or archive name. A line
// that starts with one of them is never a prompt, whatever the name contains
// (for example "Extracting  foo password: x.txt").
inline constexpr std::array<std::string_view, 7> NAME_LINE_PREFIXES = {
    EXTRACTING_FROM,      TESTING_ARCHIVE,        unrar::TEXT_EXTRACTING, unrar::TEXT_TESTING,
    unrar::TEXT_CREATING, unrar::TEXT_CONTINUING, "Skipping  ",
};

// The program's password prompts: a line (after leading blanks) that begins with one
// of these. The prompts end without a line feed, so the unfinished last line is
// tested too.
inline constexpr std::array<std::string_view, 5> PROMPT_PREFIXES = {
    unrar::TEXT_PASSWORD_PROMPT,
    "Enter password (will not be echoed)",
    "Enter password:",
    "Reenter password:",
    "password:",
};

// The program's retry text after a wrong password. Recognised only at the end of a
// line that begins with one of RETRY_LINE_PREFIXES, so a member name holding the
// same words does not count.
inline constexpr std::string_view PASSWORD_INCORRECT = "password incorrect ?";
inline constexpr std::array<std::string_view, 3> RETRY_LINE_PREFIXES = {
    "Encrypted file:",
    "CRC failed in the encrypted file",
    "The specified password is incorrect",
};

}  // namespace RarToolTexts
