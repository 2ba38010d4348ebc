#pragma once
// Fixed texts of the console RAR program that the runner and the output parser
// recognise. They are part of the program's interface: our own `unrar` prints them
// and the matching is case-sensitive. Kept in one place so that the program's own
// contract header can replace them without touching the readers.

#include <array>
#include <string_view>

namespace RarToolTexts {

// Printed when the program opens a volume: followed by the volume's full path.
inline constexpr std::string_view EXTRACTING_FROM = "Extracting from";
inline constexpr std::string_view TESTING_ARCHIVE = "Testing archive";

// Beginnings of the program's own lines that carry a member or archive name. A line
// that starts with one of them is never a prompt, whatever the name contains
// (for example "Extracting  foo password: x.txt").
inline constexpr std::array<std::string_view, 6> NAME_LINE_PREFIXES = {
    "Extracting from", "Testing archive", "Extracting  ", "Testing     ", "Skipping  ", "Creating    ",
};

// The program's password prompts: a line (after leading blanks) that begins with one
// of these. The prompts end without a line feed, so the unfinished last line is
// tested too.
inline constexpr std::array<std::string_view, 4> PROMPT_PREFIXES = {
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
