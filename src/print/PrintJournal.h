#pragma once
// The print journal: one JSON line per event on a scorecard's way from the
// touch to the paper, appended to a file in the data folder and flushed at
// once, and written to standard error as well so that a service manager's
// journal has the same lines. It answers the director's question "I touched
// my team and nothing printed" after the fact (docs/printing.md).
//
// Every line is a JSON object with at least "time" (local, ISO 8601 with
// offset, milliseconds) and "event"; "entry" (e.g. "A 12"), "section" and
// "team" when the event concerns an entry; other members by event: "spool"
// (the spool id), "job" (the printing system's job id), "printer", "reason",
// "attempt", "pending".
//
// The file is bounded: when it would pass kMaxBytes it is renamed to
// "<name>.1" (replacing an older one) and a new file is started.
//
// Plain C++ and jsoncpp, no Qt; thread-safe.

#include <json/value.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// The events, as written in "event".
namespace JournalEvent {
inline constexpr const char* kTouch = "touch";         // a player touched an entry
inline constexpr const char* kRequest = "request";     // the print request went to the server
inline constexpr const char* kRefused = "refused";     // a touch refused (printer cannot print), "reason"
inline constexpr const char* kReply = "reply";         // the server's scorecard arrived
inline constexpr const char* kSpooled = "spooled";     // written into the spool, "spool" ("from": "memory" once kept)
inline constexpr const char* kKept = "kept";           // the spool could not take it: kept in memory, "spool", "reason"
inline constexpr const char* kSubmitted = "submitted"; // handed to the printing system, "job", "printer"
inline constexpr const char* kCompleted = "completed"; // the printing system reports it printed
inline constexpr const char* kFailed = "failed";       // an attempt failed, "reason"; it stays in the spool
inline constexpr const char* kRetried = "retried";     // printed again (automatically or by the director)
inline constexpr const char* kDiscarded = "discarded"; // the director gave it up
inline constexpr const char* kReprint = "reprint";     // the director asked for an entry again
inline constexpr const char* kTestPage = "test page";  // the test page was printed
inline constexpr const char* kPrinter = "printer";     // the printer's state changed, "state", "reason"
inline constexpr const char* kStart = "start";         // the kiosk started, "pending"
inline constexpr const char* kServer = "server";       // a server reply refused (too large, broken), "reason"
inline constexpr const char* kStorage = "storage";     // the spool's or journal's storage changed, "state", "reason"
inline constexpr const char* kSettings = "settings";   // confirmed settings could not be saved, "reason"
inline constexpr const char* kResumed = "resumed";     // the director started the stopped printer again, "printer" ("reason" when refused)
} // namespace JournalEvent

class PrintJournal {
public:
    static constexpr size_t kMaxBytes = 2 * 1024 * 1024;

    // Appends to `path` (created with its folder when missing). `mirror` gets
    // every line too (standard error in the kiosk; null for none).
    explicit PrintJournal(std::string path, std::FILE* mirror = stderr, size_t maxBytes = kMaxBytes);
    ~PrintJournal();
    PrintJournal(const PrintJournal&) = delete;
    PrintJournal& operator=(const PrintJournal&) = delete;

    const std::string& Path() const { return path_; }

    // Writes one line: `fields` (an object, may be null) with "time" and
    // "event" set here. A journal that cannot be written never stops
    // printing: the line still goes to the mirror.
    void Write(const char* event, const Json::Value& fields = Json::Value());

    // The usual fields of an entry: "entry", "section", "team".
    static Json::Value EntryFields(const std::string& label, int32_t sectionId, int32_t teamNumber);

private:
    std::string path_;
    std::FILE* mirror_;
    size_t maxBytes_;
    std::FILE* file_ = nullptr;
    size_t size_ = 0;
    std::mutex mutex_;
};
