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

    // Stores a new entry (id, received and state filled in here) durably.
    // Returns the stored entry, or nothing with `error` set when it could not
    // be written (full disk, no permission): the caller still has the
    // message and must not drop it.
    std::optional<SpoolEntry> Add(int32_t msgId, int32_t sectionId, int32_t teamNumber, const std::string& label,
                                  const Json::Value& message, std::string& error);
    // Rewrites an entry that is in the spool (same durability as Add).
    bool Update(const SpoolEntry& entry, std::string& error);
    // Moves the entry to done/ (printed) or discarded/. False when it is not
    // in the spool.
    bool MarkPrinted(const std::string& id);
    bool Discard(const std::string& id);

    // Every entry in the spool, oldest first. Files that cannot be read as an
    // entry are moved aside to "broken/" (never deleted) and skipped.
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
    std::string folder_;
    std::mutex mutex_;
    uint32_t sequence_ = 0;
};
