#pragma once
// The print spool: every scorecard the scoring server hands over is kept in a
// folder of its own until the printing system says it has been printed. The
// server marks an entry printed as soon as the kiosk asks for it, so once a
// scorecard has arrived this folder is the only place that still holds it.
//
// One file per scorecard, "<id>.json", written to a temporary name, flushed
// to the disk (fsync of the file and of the folder) and renamed into place,
// so a crash or a power cut leaves either the whole entry or none. Each file
// is one JSON object with readable keys (the director and
// bridgeprint-render read it): the entry's bookkeeping and, under "message",
// the server's message exactly as it arrived.
//
// A finished entry is not deleted but moved into "done/" (printed) or
// "discarded/" (given up by the director), where bridgeprint-render can find
// it again; those two folders keep their newest kKeepFinished files.
//
// When the folder cannot take a new entry (a full disk, a read-only or
// broken folder) the entry is kept in memory instead: it is pending like any
// other, printed and followed the same way, and written into the folder (or,
// once finished, into done/ or discarded/) as soon as the folder takes it
// again (WriteKeptEntries). Only a restart before that loses it.
//
// Plain C++ and jsoncpp, no Qt. Thread-safe: the receive thread adds, the GUI
// thread prints and updates.

#include <json/value.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Where an entry stands on its way to paper.
enum class SpoolState {
    Waiting,   // to be printed (again) when the printer can print
    Held,      // waits for the director (the print dialog was cancelled)
    Submitted, // handed to the printing system as job `printJob`
};

struct SpoolEntry {
    std::string id;           // "<yyyymmdd>-<hhmmss>-<6-digit sequence>": sorts in arrival order
    int32_t msgId = 0;        // the server message: team (207) or pair/individual (208) scorecard
    int32_t sectionId = 0;    // the entry, as the server names it
    int32_t teamNumber = 0;
    std::string label;        // the entry as a person reads it, e.g. "A 12"
    std::string received;     // local time of arrival, ISO 8601 with offset
    SpoolState state = SpoolState::Waiting;
    int32_t attempts = 0;     // how often it was handed to the printing system
    int32_t printJob = 0;     // the printing system's job id while Submitted
    std::string printer;      // the queue it was submitted to
    std::string lastError;    // why the last attempt failed, for the director
    Json::Value message;      // the server's message as it arrived
    bool kept = false;        // held in memory only: the folder could not take it (not in the file)
};

const char* SpoolStateName(SpoolState state); // "waiting", "held", "submitted"

class PrintSpool {
public:
    static constexpr size_t kKeepFinished = 200;

    // `folder` ends with "/"; it (and done/, discarded/) is created when
    // missing.
    explicit PrintSpool(std::string folder);
    PrintSpool(const PrintSpool&) = delete;
    PrintSpool& operator=(const PrintSpool&) = delete;

    const std::string& Folder() const { return folder_; }

    // Stores a new entry (id, received and state filled in here) durably and
    // returns it. When it cannot be written (full disk, no permission, the
    // folder gone) the entry is kept in memory (`kept` set) and `error` says
    // why. Nothing only when `message` is not a JSON object.
    std::optional<SpoolEntry> Add(int32_t msgId, int32_t sectionId, int32_t teamNumber, const std::string& label,
                                  const Json::Value& message, std::string& error);
    // Rewrites an entry that is in the spool (same durability as Add). When
    // the folder cannot take the change, the changed entry is kept in memory
    // over its file (`error` says why) until WriteKeptEntries. False only
    // when the entry is not in the spool.
    bool Update(const SpoolEntry& entry, std::string& error);
    // Moves the entry to done/ (printed) or discarded/; when the folder
    // cannot take the move now, it counts as finished at once and moves with
    // WriteKeptEntries. False when it is not in the spool.
    bool MarkPrinted(const std::string& id);
    bool Discard(const std::string& id);

    // Entries kept in memory that have not reached the folder yet, pending
    // or finished.
    size_t KeptCount();
    // Writes the kept entries where they belong: pending ones into the
    // spool, finished ones into done/ or discarded/. Returns those written,
    // in arrival order; stops at the first that cannot be (`error` says why).
    std::vector<SpoolEntry> WriteKeptEntries(std::string& error);

    // Every entry in the spool, kept ones included, oldest first. Files that
    // cannot be read as an entry are moved aside to "broken/" (never
    // deleted) and skipped.
    std::vector<SpoolEntry> Pending();
    size_t PendingCount();
    std::optional<SpoolEntry> Find(const std::string& id);

    // Reads one entry file (in the spool, done/ or discarded/): for
    // bridgeprint-render and the tests.
    static std::optional<SpoolEntry> ReadEntryFile(const std::string& path, std::string& error);
    // Looks an id up in `folder` (a spool folder), then in its done/ and
    // discarded/ folders; the path of the file or "".
    static std::string FindEntryFile(const std::string& folder, const std::string& id);

private:
    struct KeptFinished {
        SpoolEntry entry;
        const char* folder; // done/ or discarded/
    };

    // Moves a pending entry (kept or in the folder) to `sub`; mutex_ held.
    bool FinishLocked(const std::string& id, const char* sub);

    std::string folder_;
    std::mutex mutex_;
    uint32_t sequence_ = 0;
    std::vector<SpoolEntry> kept_;              // pending, in arrival order
    std::vector<KeptFinished> keptFinished_;    // finished before they could be written
};
