/**
 * Dunmoral.dll, file and document access, for UnrealScript. Copy Dunmoral.dll into
 * Binaries\Win32\UserCode; this class finds it by name. Relative file names (TestTruss.txt,
 * debug.txt) are resolved in that folder, the working directory around DLL calls.
 *
 * Types: int is a 32-bit int, out int an int*, string a UTF-16 wchar_t* (an empty string
 * arrives as NULL, which the library reads as the empty path). Readline returns a string the
 * library owns; the engine copies it right after the call.
 */
class DunmoralBinding extends Object
    DLLBind(Dunmoral);

/** Opens the fixed data file TestTruss.txt and a fresh debug log debug.txt. */
dllimport final function openDataFile();

/** Opens the named truss data file and a fresh debug log. */
dllimport final function openTrussDataFile(string Path);

/** Writes a fresh debug log and closes it. */
dllimport final function openDebugFile();

/** Reads one record of five integers; returns the fifth. Unread fields come back 0. */
dllimport final function int parseLine(out int A, out int B, out int C, out int D, out int E);

/** Reads one record of a tag character (its code in Tag, 78 for 'N') and four integers;
 *  returns the fourth. */
dllimport final function int parseLineNew(out int Tag, out int B, out int C, out int D, out int E);

/** Closes the data file (the log stays open). Returns 0. */
dllimport final function int closeFile();

/** Opens a text file for Readline. Returns 0 when open, -1 when not. */
dllimport final function int Open(string Path);

/** The next line, without its line end; empty at the end of the file. */
dllimport final function string Readline();

/** 1 once the end of the file is reached (or nothing is open), else 0. */
dllimport final function int Eof();

/** Closes the line reader's file. Returns 0. */
dllimport final function int Close();

/** Opens the fixed PDF document in Adobe Reader; returns when the command interpreter does. */
dllimport final function openPdf();

/** Opens the fixed text document in Notepad; returns when the command interpreter does. */
dllimport final function openNotePad();

/** Starts a viewer on Document (0/4 Adobe Reader, 1 Notepad, 2/5 Excel, 3/6 Word; 4-6 under
 *  Program Files (x86)) and returns at once. Quote a document path that contains spaces. */
dllimport final function openTextFile(int ViewerCode, string Document);

defaultproperties
{
}
