#pragma once
// What the console RAR program `unrar` promises its caller: exit codes and the
// fixed texts the runner and the output parser look for. Header-only and free of
// dependencies so that both the program and the runner in process/ include it.
//
// Output of one run (every line ends in "\n"):
//   ""                                          once per volume opened:
//   "Extracting from <full path of volume>"     ("Testing archive <path>" for t)
//   ""
//   "Extracting  <name>" padded, "  OK"         per entry ("Testing     ", "Creating    " for
//                                                a folder, "...         " after a volume change)
//   "All OK"                                    last line of a clean run, nothing after it
// With -idc the 4-character field before the end of an entry line first shows the
// progress of the whole set ("  0%", then "\b\b\b\b 45%" ...; never "100%") and is
// finally overwritten with "\b\b\b\b  OK". With -idp no percentage is printed.

namespace unrar {

// Exit codes. 0 only when at least one entry was extracted or tested and every entry came
// out intact. This program ends with EXIT_OK, EXIT_FATAL, EXIT_DAMAGED, EXIT_WRITE_ERROR,
// EXIT_USAGE, EXIT_CREATE_ERROR or EXIT_SIGNAL; the others are codes other console RAR
// programs end with, which the caller reads as well.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_WARNING = 1,        // (others) errors that did not end the run
    EXIT_FATAL = 2,          // unexpected internal failure (out of memory, read error)
    EXIT_DAMAGED = 3,        // damaged data or headers, missing volumes, not an archive,
                             // nothing to extract, refused entries, missing password
    EXIT_LOCKED = 4,         // (others) a locked archive was to be changed
    EXIT_WRITE_ERROR = 5,    // a write failed (full disk, file size limit)
    EXIT_OPEN_ERROR = 6,     // (others) a file could not be opened
    EXIT_USAGE = 7,          // bad command line
    EXIT_MEMORY = 8,         // (others) not enough memory
    EXIT_CREATE_ERROR = 9,   // a file or folder could not be created
    EXIT_NO_FILES = 10,      // (others) no files to extract
    EXIT_BAD_PASSWORD = 11,  // (others) a wrong password
    EXIT_OTHER_50 = 50,      // (others) further codes that mean nothing was done
    EXIT_OTHER_51 = 51,
    EXIT_OTHER_80 = 80,
    EXIT_OTHER_81 = 81,
    EXIT_OTHER_82 = 82,
    EXIT_SIGNAL = 255,  // interrupted by a signal
};

// Column at which the 4-character status field of an entry line starts.
constexpr int ENTRY_FIELD_COLUMN = 72;

// Fixed texts. Lines built from them are "<prefix><name><suffix>".
constexpr const char* TEXT_EXTRACTING_FROM = "Extracting from ";
constexpr const char* TEXT_TESTING_ARCHIVE = "Testing archive ";
constexpr const char* TEXT_EXTRACTING = "Extracting  ";
constexpr const char* TEXT_TESTING = "Testing     ";
constexpr const char* TEXT_CREATING = "Creating    ";
constexpr const char* TEXT_CONTINUING = "...         ";
constexpr const char* TEXT_OK_FIELD = "  OK";
constexpr const char* TEXT_ALL_OK = "All OK";
constexpr const char* TEXT_TOTAL_ERRORS = "Total errors: ";

// "Enter password (will not be echoed) for <name>: " (no line feed; the program then
// waits on standard input).
constexpr const char* TEXT_PASSWORD_PROMPT = "Enter password (will not be echoed) for ";
constexpr const char* TEXT_PASSWORD_PROMPT_END = ": ";

// "WARNING: You need to start extraction from a previous volume to unpack <name>"
constexpr const char* TEXT_START_FROM_PREVIOUS =
    "WARNING: You need to start extraction from a previous volume to unpack ";
// "ERROR: <name> - CRC failed"
constexpr const char* TEXT_ERROR_PREFIX = "ERROR: ";
constexpr const char* TEXT_CRC_FAILED = " - CRC failed";
// "<name> : packed data CRC failed in volume <volume>"
constexpr const char* TEXT_PACKED_CRC_FAILED = " : packed data CRC failed in volume ";
// "Unexpected end of archive" (after the "Extracting from" line of the damaged volume)
constexpr const char* TEXT_UNEXPECTED_END = "Unexpected end of archive";
// "Cannot find volume <path>"
constexpr const char* TEXT_CANNOT_FIND_VOLUME = "Cannot find volume ";
// "<path> is not RAR archive"
constexpr const char* TEXT_NOT_RAR = " is not RAR archive";
constexpr const char* TEXT_NO_FILES = "No files to extract";
// "Write error in the file <path>"
constexpr const char* TEXT_WRITE_ERROR = "Write error in the file ";
// "ERROR: Cannot create <path>"
constexpr const char* TEXT_CANNOT_CREATE = "ERROR: Cannot create ";
// "ERROR: Cannot open <path>: <reason>"
constexpr const char* TEXT_CANNOT_OPEN = "ERROR: Cannot open ";
// "ERROR: <name> - <reason>" for a refused entry; the reasons:
constexpr const char* TEXT_REFUSED_PATH = " - refused: the name leaves the destination";
constexpr const char* TEXT_REFUSED_LINK = " - refused: the link points outside the destination";
constexpr const char* TEXT_REFUSED_THROUGH_LINK = " - refused: the path runs through a symbolic link";
constexpr const char* TEXT_REFUSED_SPECIAL = " - refused: device files and FIFOs are not extracted";
// "ERROR: <name> - damaged data (<decoder message>)"
constexpr const char* TEXT_DAMAGED_DATA = " - damaged data";
// Encrypted entries without a usable password:
// "ERROR: <name> - encrypted; no password given"               (-p- or end of input)
// "ERROR: <name> - encrypted; this unrar cannot decrypt RAR"   (-p<password>)
constexpr const char* TEXT_NO_PASSWORD = " - encrypted; no password given";
constexpr const char* TEXT_CANNOT_DECRYPT = " - encrypted; this unrar cannot decrypt RAR";
// "CRC failed in the encrypted file <name> (password incorrect ?)": a wrong password (the
// caller's runner reads "password incorrect ?" as a password request). <name> is the
// entry, or the archive when its headers do not decrypt.
constexpr const char* TEXT_ENCRYPTED_CRC_FAILED = "CRC failed in the encrypted file ";
constexpr const char* TEXT_PASSWORD_INCORRECT = " (password incorrect ?)";
// "ERROR: <name> - encrypted; <reason>" for an entry whose encryption this program does
// not handle (the reason names it).
constexpr const char* TEXT_ENCRYPTED_UNSUPPORTED = " - encrypted; ";

}  // namespace unrar
