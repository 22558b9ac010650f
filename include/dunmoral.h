/*
 * Dunmoral - file and document access for game hosts.
 *
 * Three independent services, each keeping its state at module level, called from one thread,
 * one call at a time:
 *   - the truss data reader: openTrussDataFile (or openDataFile), one parseLine or parseLineNew
 *     per record, closeFile; every step is written to the debug log "debug.txt";
 *   - the line reader: Open, then Readline while Eof returns 0, then Close;
 *   - the document launchers: openPdf, openNotePad and openTextFile.
 *
 * Every export has C linkage, the cdecl convention and an undecorated name.
 *
 * Host strings are zero-terminated UTF-16 (char16_t on every platform), read only during the
 * call. A NULL string is taken as the empty string (the host passes an empty string as NULL).
 * Paths are opened by the name the host gave: as UTF-8 on POSIX, by the wide name on Windows.
 * A path holding an unpaired surrogate names no file and is not opened. Relative paths, and the
 * fixed names "debug.txt" and "TestTruss.txt", resolve against the current working directory.
 *
 * The debug log "debug.txt" is created afresh (truncated) by every open operation of the truss
 * data reader and by openPdf, openNotePad and openDebugFile. Each entry starts with a line feed
 * (except the bare banner of openDebugFile) and none ends with one. The log is not flushed after
 * each entry: its text reaches the disk when the log is closed (openDebugFile, openPdf,
 * openNotePad, or a reopen), when its buffer fills, or when the library is unloaded or the
 * process ends. Every stream still open is closed when the library is unloaded.
 */
#ifndef DUNMORAL_H
#define DUNMORAL_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(_WIN32)
#define DUNMORAL_API __declspec(dllexport)
#define DUNMORAL_CALL __cdecl
#else
#define DUNMORAL_API __attribute__((visibility("default")))
#define DUNMORAL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Truss data reader and debug log ---------------------------------------------------- */

/*
 * Starts a fresh debug log, then opens the fixed data file "TestTruss.txt" for reading.
 * Log: "\nDebug File Opened", then "\nFile Opened" or "\nFile TestTruss.txt NOT opened".
 * A data file or log still open from before is closed first.
 */
DUNMORAL_API void DUNMORAL_CALL openDataFile(void);

/*
 * Starts a fresh debug log, then opens the data file named by path for reading.
 * path: UTF-16, any length; NULL is the empty path (which opens nothing).
 * Log: "\nDebug File Opened", "\n len = N" (N: UTF-16 code units of path), then
 * "\nFile PATH Opened" or "\nFile PATH NOT opened", PATH in UTF-8 (an unpaired surrogate shows
 * as U+FFFD). A data file or log still open from before is closed first.
 */
DUNMORAL_API void DUNMORAL_CALL openTrussDataFile(const char16_t* path);

/*
 * Writes a fresh debug log holding only "Debug File Opened" (no line feed) and closes it.
 * Afterwards the parse operations write no log entries until the next open.
 */
DUNMORAL_API void DUNMORAL_CALL openDebugFile(void);

/*
 * Reads one plain record, five integers scanned with "%d %d %d %d %d" (whitespace, line ends
 * included, may come before each integer; the line end after the fifth stays unread).
 * a..e: receive the five values; a field the scan did not convert (end of data, text that is
 * not an integer, no data file open) receives 0. A NULL pointer skips that store.
 * Log (while open): "\n%d %d %d %d %d" with the five values.
 * Returns the fifth value.
 */
DUNMORAL_API int32_t DUNMORAL_CALL parseLine(int32_t* a, int32_t* b, int32_t* c, int32_t* d,
                                             int32_t* e);

/*
 * Reads one tagged record, scanned with "%c %d %d %d %d\n": the very next byte as the tag (no
 * whitespace skipped before it), four integers, then every whitespace byte that follows.
 * tag: receives the byte sign-extended (78 for 'N', -128..-1 for bytes above 0x7F).
 * b..e: receive the four integers. Fields not converted receive 0; NULL skips that store.
 * Log (while open): "\n%c %d %d %d %d" with the tag byte and the four values.
 * Returns the fourth integer.
 */
DUNMORAL_API int32_t DUNMORAL_CALL parseLineNew(int32_t* tag, int32_t* b, int32_t* c,
                                                int32_t* d, int32_t* e);

/*
 * Closes the data file; the debug log stays open.
 * Returns the close status: 0 on success, and 0 when no data file was open.
 */
DUNMORAL_API int32_t DUNMORAL_CALL closeFile(void);

/* ---- Line reader ------------------------------------------------------------------------ */

/*
 * Opens a text file for reading line by line, closing the one open before (the string from
 * the last Readline is freed).
 * path: UTF-16, any length; NULL is the empty path.
 * Returns 0 when the file is open, -1 when not; after -1, Eof returns 1 and Readline returns
 * empty strings.
 */
DUNMORAL_API int32_t DUNMORAL_CALL Open(const char16_t* path);

/*
 * Reads the next line: the bytes up to a line feed, which is consumed and not returned; a
 * CR LF pair reads as a line feed. Any length. The bytes are decoded as UTF-8 (pairs of
 * surrogates above U+FFFF); a byte that is not part of a valid UTF-8 sequence becomes the code
 * unit of the same value; a zero byte ends the string.
 * Returns a zero-terminated UTF-16 string, never NULL, owned by the library and valid until the
 * next Readline, Open or Close: copy it before those. Empty when nothing is open, after a
 * failed Open, and at the end of the file.
 */
DUNMORAL_API const char16_t* DUNMORAL_CALL Readline(void);

/*
 * Returns 1 when no file is open, after a failed Open, or once a Readline met the end of the
 * file; 0 otherwise. A file ending with a line feed gives one last empty line before Eof is 1.
 */
DUNMORAL_API int32_t DUNMORAL_CALL Eof(void);

/*
 * Closes the line reader's file and frees the last line. Returns 0, also when nothing was open.
 */
DUNMORAL_API int32_t DUNMORAL_CALL Close(void);

/* ---- Document launchers ----------------------------------------------------------------- */

/*
 * Runs the command line
 *   "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe"
 *   C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/pdfFiles/TestA.pdf
 * (one line, application in quotes) through the runtime's system() and returns when it
 * returns. Writes a fresh debug log: "\nDebug File Opened", "\n cmd = COMMAND",
 * "\n result of system call = STATUS", and closes it.
 */
DUNMORAL_API void DUNMORAL_CALL openPdf(void);

/*
 * As openPdf, with the command line
 *   "C:/Windows/System32/notepad" C:/UDK/UDK-2011-06/UDKGame/Content/Vestrel/notePadFiles/TestA.txt
 */
DUNMORAL_API void DUNMORAL_CALL openNotePad(void);

/*
 * Starts a viewer application on a document and returns without waiting for it.
 * viewerCode: 0 "C:/Program Files/Adobe/Reader 10.0/Reader/AcroRd32.exe",
 *   1 "C:/Windows/System32/notepad", 2 "C:/Program Files/Microsoft Office/Office14/EXCEL.exe",
 *   3 "C:/Program Files/Microsoft Office/Office14/WINWORD.exe",
 *   4 "C:/Program Files (x86)/Adobe/Reader 10.0/Reader/AcroRd32.exe",
 *   5 "C:/Program Files (x86)/Microsoft Office/Office14/EXCEL.exe",
 *   6 and every other value "C:/Program Files (x86)/Microsoft Office/Office14/WINWORD.exe".
 * document: UTF-16 parameters for the application, passed unquoted (a path with spaces becomes
 *   several arguments unless the host quotes it); NULL is empty. On Windows they go to the shell
 *   as they are. On POSIX the application is started directly, never through a shell, with the
 *   parameters split into arguments by the Windows command-line rules.
 * Failures are ignored; nothing is logged.
 */
DUNMORAL_API void DUNMORAL_CALL openTextFile(int32_t viewerCode, const char16_t* document);

#ifdef __cplusplus
}
#endif

#endif /* DUNMORAL_H */
