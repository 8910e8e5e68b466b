#pragma once
// Whether the kiosk's own storage can keep what it must keep: the print spool
// (the only copy of a scorecard once the server has handed it over) and the
// print journal. It is part of "can the kiosk print": while it is not
// healthy, no scorecard is asked of the server, and the screen says what is
// wrong and where.
//
// Plain C++ and POSIX, no Qt.

#include <cstdint>
#include <string>

enum class StorageProblem {
    None,
    SpoolNotAFolder,   // the spool is not a folder (a link to a device, a file)
    SpoolUnwritable,   // the spool cannot be written (read-only, immutable, no permission)
    JournalNotAFile,   // the journal is not a regular file (a FIFO, a device, a folder)
    JournalUnwritable, // the journal (or its folder) cannot be written
    LowSpace,          // less room left where the spool is than a day's scorecards need
};

struct StorageStatus {
    StorageProblem problem = StorageProblem::None;
    std::string path;   // the folder or file concerned
    std::string detail; // what is wrong with it, in English, for the journal and the log
    bool Ok() const { return problem == StorageProblem::None; }
    bool operator==(const StorageStatus& other) const
    {
        return problem == other.problem && path == other.path;
    }
};

// Room kept free where the spool is: a scorecard's entry takes tens of KB,
// and a tournament day's journal a few MB.
inline constexpr uint64_t kStorageReserveBytes = 8ull * 1024 * 1024;

// Looks at the spool folder (with its done/ folder) and the journal file:
// each must be what it should be and writable, and the spool's file system
// must have at least `reserveBytes` free for an unprivileged writer. A
// journal not there yet is fine when its folder can be written.
StorageStatus CheckStorage(const std::string& spoolFolder, const std::string& journalPath,
                           uint64_t reserveBytes = kStorageReserveBytes);

// A short English name of the problem for the journal ("low-space", ...).
const char* StorageProblemName(StorageProblem problem);
