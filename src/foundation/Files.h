#pragma once
// The program folder, the data folder "ztxt/" beside the program, whole-file
// reads and writes, and the millisecond clock.
//
// Paths are UTF-8 with "/" separators; a folder path always ends with "/".

#include "foundation/LocText.h"

#include <cstdint>
#include <string>

// The folder part of `exePath` (up to and including the last "/") with any
// build output folder ("Release/", "Debug/" and the like, matched without
// regard to case) cut off together with what follows it.
std::string ProgramFolderOf(const std::string& exePath);
// ProgramFolderOf the running program (/proc/self/exe).
std::string ProgramFolder();
// ProgramFolder() + "ztxt/", created when missing.
std::string DataFolder();

bool FolderExists(const std::string& path);
// Creates every missing level of `path`; true when it exists afterwards.
bool CreateFolders(const std::string& path);

// The file's bytes up to its first zero byte; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the file with `bytes`. Returns "" on success, otherwise a message
// in `lang`: "Data len = 0" for empty bytes (the file is left untouched), or
// the read-only message when the file cannot be written. The new content is
// written to a temporary file beside the target and renamed over it, so a
// crash or a full disk never leaves a half-written file behind.
std::u16string WriteWholeFile(const std::string& path, const std::string& bytes, LangIndex lang);

// Writes all of `bytes` to the descriptor, going on after interrupted and
// short writes; false (errno set) when the descriptor stops taking them.
bool WriteAllBytes(int fd, const std::string& bytes);

// Milliseconds on a clock that never runs backwards; only differences
// between two readings mean anything.
int64_t MillisecondClock();
