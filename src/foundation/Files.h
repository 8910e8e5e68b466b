#pragma once
// The program folder, the data folder (beside the program or the user's), whole-file
// reads and writes, and the millisecond clock.
//
// Paths are UTF-8 with "/" separators; a folder path always ends with "/".

#include "foundation/LocText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The folder part of `exePath` (up to and including the last "/") with any
// build output folder ("Release/", "Debug/" and the like, matched without
// regard to case) cut off together with what follows it.
std::string ProgramFolderOf(const std::string& exePath);
// ProgramFolderOf the running program (/proc/self/exe).
std::string ProgramFolder();
// The folder the kiosk keeps its data in (see DataFolderChoice.h): the one
// given to UseDataFolder, else "ztxt/" beside the program when that can be
// written, else the user's state folder; created when missing.
std::string DataFolder();

bool FolderExists(const std::string& path);
// Creates every missing level of `path`; true when it exists afterwards.
bool CreateFolders(const std::string& path);

// The cap on the small files the kiosk reads whole at start (settings,
// printer choice, row heights). Those files are a few hundred bytes, a few
// kilobytes at most; a megabyte is thousands of times more than any real one
// and still costs nothing to hold, while a file beyond it can only be a
// mistake or a trap (a log copied over it, a link to a disk image).
inline constexpr size_t kSmallFileCap = 1024 * 1024;

enum class FileReadOutcome {
    Read,       // a regular file within the cap; `bytes` holds all of it
    Missing,    // nothing at the path (or a link to nothing)
    NotRegular, // a folder, FIFO, device or socket, directly or through a link
    TooLarge,   // a regular file beyond the cap
    Unreadable, // there, but it cannot be opened or read
};

struct FileRead {
    FileReadOutcome outcome = FileReadOutcome::Missing;
    std::string bytes;  // the whole file for Read, otherwise empty
    std::string reason; // why it was not read, for a message; empty for Read
};

// Reads the regular file at `path` whole when it holds at most `cap` bytes.
// Anything else is never read from: a FIFO is never waited on and a device
// never streamed into memory. A link to a regular file is followed, since a
// director may keep the real file elsewhere; a link to anything else is not.
FileRead ReadRegularFile(const std::string& path, size_t cap = kSmallFileCap);

// The file's bytes up to its first zero byte; empty when it is missing or
// cannot be read. A path that holds something other than a regular file of
// at most `cap` bytes reads as empty too, and says so in one line on stderr.
std::string ReadWholeFile(const std::string& path, size_t cap = kSmallFileCap);
// Replaces the file with `bytes`. Returns "" on success, otherwise a message
// in `lang`: "Data len = 0" for empty bytes (the file is left untouched), or
// the read-only message when the file cannot be written. The new content is
// written to a temporary file beside the target and renamed over it, so a
// crash or a full disk never leaves a half-written file behind. The folder
// is flushed after the rename, so a power cut keeps the new content. A link
// at `path` is replaced by the new file, never written through: the kiosk
// reads a director's linked file but keeps its own changes in its own
// folder, and a link can never steer its writes elsewhere.
std::u16string WriteWholeFile(const std::string& path, const std::string& bytes, LangIndex lang);

// The name WriteWholeFile gives its temporary file beside `path` in process
// `pid`: `path` + ".tmp-" + the pid.
std::string TempFileNameFor(const std::string& path, int pid);

// Removes the temporary files ("<name>.tmp-<pid>") that an interrupted
// WriteWholeFile left in `folder`: those of a process that no longer runs,
// and those of this very process, which at start cannot be writing yet (a
// kiosk in a container often gets the same pid every run). A file of a live
// process may be one being written right now and is kept. Returns the names
// of the removed files.
std::vector<std::string> RemoveStaleTempFiles(const std::string& folder);

// Writes all of `bytes` to the descriptor, going on after interrupted and
// short writes; false (errno set) when the descriptor stops taking them.
bool WriteAllBytes(int fd, const std::string& bytes);

// Milliseconds on a clock that never runs backwards; only differences
// between two readings mean anything.
int64_t MillisecondClock();
