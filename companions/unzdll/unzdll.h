/*
 * unzdll.h - the interface of the unzip library libunzdll.so.
 *
 * Shared by the library and by its caller (which loads it with dlopen and looks up
 * "UnzDllExec" and "GetUnzDllVersion" with dlsym). Plain C, so both sides agree on the
 * layout. The field order of both records is fixed; fields that hold addresses are
 * pointer-sized, every other field is a 32-bit int.
 *
 * Threads
 *   UnzDllExec runs on the caller's thread and returns only when all its work is over:
 *   it may use worker threads of its own for archives with several entries, but it joins
 *   them before it returns, and it calls the callback only on the thread that called
 *   UnzDllExec, one message at a time, never from a worker thread.
 *   Several calls may run at the same time on different threads as long as they extract
 *   into the same current directory (the library reads the current directory once, when
 *   the call starts).
 *
 * Ownership
 *   The parameter record, the password and the archive path belong to the caller and must
 *   stay valid for the duration of the call; the library never writes to them.
 *   The message record and its text belong to the library and are valid only during the
 *   callback; copy the text to keep it.
 *
 * Stopping a running call early ("kill")
 *   The callback's return value: 0 continues, any other value stops. The library sends a
 *   progress message (type UNZ_MSG_PROGRESS) at least every UNZ_PROGRESS_INTERVAL_MS while
 *   it works, so a caller that answers non-zero to any message stops the call within about
 *   that time even during one very large entry. After a stop request the library sends no
 *   further messages, removes the partial output of the entries in progress (finished
 *   entries stay), joins its threads and returns UNZ_ERR_KILLED. Nothing keeps running
 *   after the return. Never end the calling thread from inside the callback.
 *
 * Return value of UnzDllExec
 *   UNZ_OK (0) when every entry was extracted (or tested) intact; UNZ_ERR_KILLED when the
 *   callback asked to stop; otherwise the error code of the first failure (each failure
 *   is also reported by a UNZ_MSG_ERROR message carrying the same kind of code). Per-entry
 *   failures do not stop the other entries.
 *
 * Exceptions never cross this interface.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Returned by GetUnzDllVersion; the caller copies it into UnzDllParams.nVersion. A call
 * whose record carries another version is refused with UNZ_ERR_PARAM. */
#define UNZ_DLL_VERSION 100

/* The password tried whenever the user has not entered one. */
#define UNZ_DEFAULT_PASSWORD "tallowmeadpinefork"

/* Values the caller writes into the fields the library does not read. */
#define UNZ_PARAM_RESERVED0 0
#define UNZ_PARAM_RESERVED16 0
#define UNZ_PARAM_RESERVED20 0
#define UNZ_PARAM_RESERVED32 0
#define UNZ_PARAM_RESERVED36 0
#define UNZ_PARAM_RESERVED40 0
#define UNZ_PARAM_RESERVED44 1
#define UNZ_PARAM_RESERVED48 0
#define UNZ_PARAM_RESERVED52 0
#define UNZ_PARAM_RESERVED56 1
#define UNZ_PARAM_RESERVED60 1
#define UNZ_PARAM_RESERVED64 0
#define UNZ_PARAM_RESERVED72 7

/* Message types (UnzDllMessage.nType). */
#define UNZ_MSG_ENTRY 1    /* an entry is done: "Unzipped <name>" or "Tested <name>" */
#define UNZ_MSG_PROGRESS 2 /* periodic progress; nPercent holds 0..100, pszText "" */
#define UNZ_MSG_WARNING 3  /* a note that is no failure (nErrorCode 0), e.g. mode bits dropped */
#define UNZ_MSG_ERROR 4    /* a failure; nErrorCode is one of UNZ_ERR_* (never 0) */

/* Progress messages come at least this often while a call works. */
#define UNZ_PROGRESS_INTERVAL_MS 100

/* Error codes (UnzDllMessage.nErrorCode and the result of UnzDllExec). */
#define UNZ_OK 0
#define UNZ_ERR_PARAM 1     /* bad parameter record (null fields, other version) */
#define UNZ_ERR_OPEN 2      /* the archive file cannot be opened or read */
#define UNZ_ERR_NOCENTRAL 3 /* no central directory: not a ZIP file, or truncated */
#define UNZ_ERR_ARCHIVE 4   /* inconsistent archive: overlapping entries, bad offsets */
#define UNZ_ERR_PASSWORD 5  /* the password does not open an encrypted entry */
#define UNZ_ERR_CRC 6       /* data CRC mismatch */
#define UNZ_ERR_DATA 7      /* damaged compressed data, or size differs from the header */
#define UNZ_ERR_METHOD 8    /* unsupported compression or encryption method */
#define UNZ_ERR_WRITE 9     /* an output file or folder cannot be created or written */
#define UNZ_ERR_REFUSED 10  /* an unsafe entry was refused (escapes the folder, device...) */
#define UNZ_ERR_BOMB 11     /* more data than the disk holds, or an impossible ratio */
#define UNZ_ERR_KILLED 12   /* the callback asked to stop */
#define UNZ_ERR_INTERNAL 13 /* out of memory or an unexpected fault inside the library */

/* The exact text of the message for a file without a central directory. */
#define UNZ_TEXT_NO_CENTRAL "Fatal Error: central dir signature not found"

/* Texts that a message about an entry the password does not open always contains. */
#define UNZ_TEXT_SKIP_ENCRYPTED "skipping encrypted file"
#define UNZ_TEXT_BAD_PASSWORD "bad password"

/* The message record handed to the callback. */
typedef struct UnzDllMessage {
    int32_t nSize;       /* sizeof(UnzDllMessage) */
    void* pCaller;       /* UnzDllParams.pCaller, handed back unchanged */
    int32_t nEntry;      /* index of the entry in the archive, -1 for the whole archive */
    int32_t nEntryCount; /* number of entries in the archive (0 until it is opened) */
    int32_t nType;       /* UNZ_MSG_* */
    int32_t nErrorCode;  /* UNZ_ERR_* for UNZ_MSG_ERROR, else 0 */
    int32_t nPercent;    /* progress of the whole call 0..100, -1 when unknown */
    const char* pszText; /* zero-terminated UTF-8 text, never null */
} UnzDllMessage;

/* The callback: called with one message; returns 0 to go on, non-zero to stop the call. */
typedef int (*UnzDllCallback)(UnzDllMessage* pMessage);

/* The parameter record passed to UnzDllExec. */
typedef struct UnzDllParams {
    int32_t nReserved0;       /* UNZ_PARAM_RESERVED0 */
    void* pCaller;            /* anything; copied into every message (the main window) */
    int32_t nVersion;         /* GetUnzDllVersion() */
    UnzDllCallback pCallback; /* receives every message; may be null (no messages, no kill) */
    int32_t nReserved16;      /* UNZ_PARAM_RESERVED16 */
    int32_t nReserved20;      /* UNZ_PARAM_RESERVED20 */
    const char* pszPassword;  /* zero-terminated; null or "" means no password */
    int32_t nTest;            /* 1: test (read and check every CRC, write nothing); 0: extract */
    int32_t nReserved32;      /* UNZ_PARAM_RESERVED32 */
    int32_t nReserved36;      /* UNZ_PARAM_RESERVED36 */
    int32_t nReserved40;      /* UNZ_PARAM_RESERVED40 */
    int32_t nReserved44;      /* UNZ_PARAM_RESERVED44 */
    int32_t nReserved48;      /* UNZ_PARAM_RESERVED48 */
    int32_t nReserved52;      /* UNZ_PARAM_RESERVED52 */
    int32_t nReserved56;      /* UNZ_PARAM_RESERVED56 */
    int32_t nReserved60;      /* UNZ_PARAM_RESERVED60 */
    int32_t nReserved64;      /* UNZ_PARAM_RESERVED64 */
    const char* pszArchive;   /* zero-terminated path of the ZIP file */
    int32_t nReserved72;      /* UNZ_PARAM_RESERVED72 */
} UnzDllParams;

/* Extracts (nTest 0) or tests (nTest 1) the archive pszArchive into the current directory,
 * overwriting existing files. Returns UNZ_OK or an UNZ_ERR_* code (see above). */
typedef int (*UnzDllExecFn)(const UnzDllParams* pParams);
/* Returns UNZ_DLL_VERSION. */
typedef int (*GetUnzDllVersionFn)(void);

int UnzDllExec(const UnzDllParams* pParams);
int GetUnzDllVersion(void);

#ifdef __cplusplus
}
#endif
