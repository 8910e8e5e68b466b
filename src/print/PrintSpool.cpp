#include "print/PrintSpool.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "print/LocalTime.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kDoneFolder = "done/";
constexpr const char* kDiscardedFolder = "discarded/";
constexpr const char* kBrokenFolder = "broken/";
constexpr const char* kEntrySuffix = ".json";
constexpr const char* kTempSuffix = ".tmp";

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// An id names a file inside the spool folder: anything that could reach
// another folder is refused before it is joined to a path.
bool UsableId(const std::string& id)
{
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos &&
           id.find('\0') == std::string::npos;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Failure(const char* what, const std::string& path, int error)
{
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

// The names of the regular files in `folder` that end with `suffix`, sorted.
// A folder that cannot be read has none.
std::vector<std::string> FileNames(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() > suffix.size() && EndsWith(name, suffix) && IsRegularFile(folder + name))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The sequence number of a file named like an id ("20261210-153003-000042"
// and whatever follows it), or nothing for any other name.
std::optional<uint32_t> SequenceOfName(const std::string& name)
{
    constexpr size_t kStampLength = 15; // "yyyymmdd-hhmmss"
    if (name.size() < kStampLength + 2 || name[8] != '-' || name[kStampLength] != '-')
        return std::nullopt;
    for (size_t i = 0; i < kStampLength; ++i)
        if (i != 8 && (name[i] < '0' || name[i] > '9'))
            return std::nullopt;
    uint64_t sequence = 0;
    size_t i = kStampLength + 1;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        sequence = sequence * 10 + static_cast<uint64_t>(name[i] - '0');
        if (sequence > UINT32_MAX)
            return std::nullopt;
    }
    if (i == kStampLength + 1 || (i < name.size() && name[i] != '.'))
        return std::nullopt;
    return static_cast<uint32_t>(sequence);
}

// Makes a rename or an unlink in `folder` survive a power cut.
bool SyncFolder(const std::string& folder, std::string& error)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = Failure("cannot open", folder, errno);
        return false;
    }
    const bool synced = fsync(fd) == 0;
    const int syncError = errno;
    close(fd);
    if (!synced)
        error = Failure("cannot flush", folder, syncError);
    return synced;
}

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk
// and renames it over `path`. On failure the temporary file is gone and
// `path` is as it was. The folder still has to be flushed for the rename to
// last.
bool ReplaceFile(const std::string& path, const std::string& bytes, std::string& error)
{
    const std::string temp = path + kTempSuffix;
    const int fd = open(temp.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = Failure("cannot create", temp, errno);
        return false;
    }
    bool ok = WriteAllBytes(fd, bytes);
    if (ok)
        ok = fsync(fd) == 0;
    int failure = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        error = Failure("cannot rename", temp, errno);
        unlink(temp.c_str());
        return false;
    }
    if (!ok) {
        error = Failure("cannot write", temp, failure);
        unlink(temp.c_str());
    }
    return ok;
}

// The entry as its file holds it. The bookkeeping comes first, one member a
// line, so that a person reading the file sees it before the message, which
// follows on one line as compact JSON.
std::string EntryText(const SpoolEntry& entry)
{
    const std::pair<const char*, Json::Value> members[] = {
        {"id", entry.id},
        {"msgId", Json::Int(entry.msgId)},
        {"section", Json::Int(entry.sectionId)},
        {"team", Json::Int(entry.teamNumber)},
        {"label", entry.label},
        {"received", entry.received},
        {"state", SpoolStateName(entry.state)},
        {"attempts", Json::Int(entry.attempts)},
        {"printJob", Json::Int(entry.printJob)},
        {"printer", entry.printer},
        {"lastError", entry.lastError},
        {"message", entry.message},
    };
    std::string text = "{\n";
    for (const auto& [key, value] : members) {
        if (text.size() > 2)
            text += ",\n";
        text += "  " + NumericJson::WriteCompact(Json::Value(key)) + ": " + NumericJson::WriteCompact(value);
    }
    return text + "\n}\n";
}

SpoolState StateOfName(const std::string& name)
{
    if (name == SpoolStateName(SpoolState::Held))
        return SpoolState::Held;
    if (name == SpoolStateName(SpoolState::Submitted))
        return SpoolState::Submitted;
    // Anything else, an unknown word included, is printed again: a scorecard
    // printed twice is better than one never printed.
    return SpoolState::Waiting;
}

enum class ReadOutcome {
    Entry,      // the file is an entry
    Unreadable, // the file could not be read now; it may be fine later
    Broken,     // the file's content is not an entry and never will be
};

// Reads the entry file at `path`, whose id must be `name` without ".json".
ReadOutcome ReadEntry(const std::string& path, const std::string& name, SpoolEntry& entry, std::string& error)
{
    // Only a regular file is read, and only up to a size no entry reaches: a
    // FIFO or a device swapped in after the folder was listed must not hold
    // up or flood the kiosk. The largest message the server can send is
    // 64 MiB; its entry, with the text escaped again, stays well below the cap.
    constexpr size_t kEntryCap = 256 * 1024 * 1024;
    FileRead read = ReadRegularFile(path, kEntryCap);
    switch (read.outcome) {
    case FileReadOutcome::Read: break;
    case FileReadOutcome::TooLarge: error = path + " is not a spool entry: " + read.reason; return ReadOutcome::Broken;
    default: error = "cannot read " + path + " (" + read.reason + ")"; return ReadOutcome::Unreadable;
    }
    const std::string text = std::move(read.bytes);

    const std::string broken = path + " is not a spool entry: ";
    Json::Value root;
    if (!NumericJson::Parse(text, root)) {
        error = broken + "not JSON";
        return ReadOutcome::Broken;
    }
    if (!root.isObject()) {
        error = broken + "not a JSON object";
        return ReadOutcome::Broken;
    }
    const Json::Value* message = NumericJson::Member(root, "message");
    if (message == nullptr || !message->isObject()) {
        error = broken + "no \"message\" object";
        return ReadOutcome::Broken;
    }
    const std::string id = NumericJson::ReadText(root, "id");
    if (id.empty() || name != id + kEntrySuffix) {
        error = broken + "its id \"" + id + "\" is not its file name";
        return ReadOutcome::Broken;
    }

    entry = SpoolEntry();
    entry.id = id;
    entry.msgId = NumericJson::ReadInt(root, "msgId");
    entry.sectionId = NumericJson::ReadInt(root, "section");
    entry.teamNumber = NumericJson::ReadInt(root, "team");
    entry.label = NumericJson::ReadText(root, "label");
    entry.received = NumericJson::ReadText(root, "received");
    entry.state = StateOfName(NumericJson::ReadText(root, "state"));
    entry.attempts = NumericJson::ReadInt(root, "attempts");
    entry.printJob = NumericJson::ReadInt(root, "printJob");
    entry.printer = NumericJson::ReadText(root, "printer");
    entry.lastError = NumericJson::ReadText(root, "lastError");
    entry.message = *message;
    return ReadOutcome::Entry;
}

ReadOutcome ReadEntry(const std::string& path, SpoolEntry& entry, std::string& error)
{
    const size_t slash = path.rfind('/');
    return ReadEntry(path, slash == std::string::npos ? path : path.substr(slash + 1), entry, error);
}

// Moves a file that is not an entry out of the spool's way. It is kept, not
// deleted: it may be the only copy of a scorecard someone wants to recover by
// hand. An older file of the same name in broken/ is kept as well.
void MoveAside(const std::string& folder, const std::string& name)
{
    const std::string broken = folder + kBrokenFolder;
    CreateFolders(broken);
    std::string target = broken + name;
    for (int n = 1; access(target.c_str(), F_OK) == 0; ++n)
        target = broken + name + "." + std::to_string(n);
    if (rename((folder + name).c_str(), target.c_str()) != 0)
        return;
    std::string ignored;
    SyncFolder(broken, ignored);
    SyncFolder(folder, ignored);
}

// Keeps the newest `keep` entries of a folder of finished entries. Ids sort
// in arrival order, so the newest are the last by name.
void Prune(const std::string& folder, size_t keep)
{
    const std::vector<std::string> names = FileNames(folder, kEntrySuffix);
    if (names.size() <= keep)
        return;
    for (size_t i = 0; i < names.size() - keep; ++i)
        unlink((folder + names[i]).c_str());
    std::string ignored;
    SyncFolder(folder, ignored);
}

// Moves a pending entry into one of the folders of finished entries and
// prunes that folder. False when the entry is not in the spool.
bool Finish(const std::string& spool, const std::string& id, const std::string& sub)
{
    if (!UsableId(id))
        return false;
    const std::string source = spool + id + kEntrySuffix;
    if (!IsRegularFile(source))
        return false;
    const std::string target = spool + sub;
    CreateFolders(target);
    if (rename(source.c_str(), (target + id + kEntrySuffix).c_str()) != 0)
        return false;
    std::string ignored;
    SyncFolder(target, ignored);
    SyncFolder(spool, ignored);
    Prune(target, PrintSpool::kKeepFinished);
    return true;
}

} // namespace

const char* SpoolStateName(SpoolState state)
{
    switch (state) {
    case SpoolState::Waiting: return "waiting";
    case SpoolState::Held: return "held";
    case SpoolState::Submitted: return "submitted";
    }
    return "waiting";
}

PrintSpool::PrintSpool(std::string folder) : folder_(WithSlash(std::move(folder)))
{
    for (const char* sub : {"", kDoneFolder, kDiscardedFolder})
        CreateFolders(folder_ + sub);

    // A temporary file is a write that a crash cut short. It is renamed into
    // place when it holds a whole entry (the crash came after its last byte
    // but before the rename, and it may hold a scorecard nobody else has
    // any more) and moved aside otherwise.
    const std::string tempSuffix = std::string(kEntrySuffix) + kTempSuffix;
    for (const std::string& name : FileNames(folder_, tempSuffix)) {
        const std::string entryName = name.substr(0, name.size() - std::strlen(kTempSuffix));
        SpoolEntry entry;
        std::string error;
        switch (ReadEntry(folder_ + name, entryName, entry, error)) {
        case ReadOutcome::Entry:
            if (rename((folder_ + name).c_str(), (folder_ + entryName).c_str()) == 0)
                SyncFolder(folder_, error);
            break;
        case ReadOutcome::Broken: MoveAside(folder_, name); break;
        case ReadOutcome::Unreadable: break;
        }
    }

    // Ids go on from the highest sequence anywhere in the spool, so that they
    // stay unique and in arrival order across restarts within one second.
    for (const char* sub : {"", kDoneFolder, kDiscardedFolder, kBrokenFolder}) {
        DIR* dir = opendir((folder_ + sub).c_str());
        if (dir == nullptr)
            continue;
        while (const dirent* e = readdir(dir))
            if (const std::optional<uint32_t> sequence = SequenceOfName(e->d_name))
                sequence_ = std::max(sequence_, *sequence);
        closedir(dir);
    }
}

std::optional<SpoolEntry> PrintSpool::Add(int32_t msgId, int32_t sectionId, int32_t teamNumber,
                                          const std::string& label, const Json::Value& message, std::string& error)
{
    if (!message.isObject()) {
        error = "the message for " + label + " is not a JSON object";
        return std::nullopt;
    }
    SpoolEntry entry;
    entry.msgId = msgId;
    entry.sectionId = sectionId;
    entry.teamNumber = teamNumber;
    entry.label = label;
    entry.state = SpoolState::Waiting;
    entry.message = message;

    std::lock_guard<std::mutex> lock(mutex_);
    // The time is taken under the lock: two threads adding at once get their
    // stamps in the same order as their sequence numbers.
    const auto now = std::chrono::system_clock::now();
    entry.received = LocalIsoTime(now);
    const std::string stamp = LocalIdStamp(now);
    // The folder may have been removed by hand while the kiosk runs.
    CreateFolders(folder_);
    // Another program may have put a file there since the folder was read;
    // an id already taken anywhere in the spool is never reused.
    auto taken = [&](const std::string& id) {
        for (const SpoolEntry& held : kept_)
            if (held.id == id)
                return true;
        for (const char* sub : {"", kDoneFolder, kDiscardedFolder, kBrokenFolder})
            if (access((folder_ + sub + id + kEntrySuffix).c_str(), F_OK) == 0)
                return true;
        return false;
    };
    do {
        std::string sequence = std::to_string(++sequence_);
        if (sequence.size() < 6)
            sequence.insert(0, 6 - sequence.size(), '0');
        entry.id = stamp + "-" + sequence;
    } while (taken(entry.id));

    const std::string path = folder_ + entry.id + kEntrySuffix;
    if (ReplaceFile(path, EntryText(entry), error)) {
        if (SyncFolder(folder_, error))
            return entry;
        // Kept in memory instead: the file must not stay to be printed a
        // second time beside it.
        unlink(path.c_str());
    }
    // Once the server has handed a scorecard over, nothing else holds it:
    // it stays pending here until the folder takes it again.
    entry.kept = true;
    kept_.push_back(entry);
    return entry;
}

bool PrintSpool::Update(const SpoolEntry& entry, std::string& error)
{
    if (!entry.message.isObject()) {
        error = "entry " + entry.id + " has no message";
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (SpoolEntry& held : kept_) {
        if (held.id == entry.id) {
            held = entry;
            held.kept = true;
            return true;
        }
    }
    const std::string path = folder_ + entry.id + kEntrySuffix;
    if (!UsableId(entry.id) || !IsRegularFile(path)) {
        error = "entry " + entry.id + " is not in the spool " + folder_;
        return false;
    }
    if (ReplaceFile(path, EntryText(entry), error) && SyncFolder(folder_, error))
        return true;
    // The folder cannot take the change (full, read-only): the change is
    // kept in memory over the file, so that the entry is not handled again
    // as the file still says, and written when the folder takes it.
    SpoolEntry held = entry;
    held.kept = true;
    kept_.push_back(std::move(held));
    std::stable_sort(kept_.begin(), kept_.end(), [](const SpoolEntry& a, const SpoolEntry& b) { return a.id < b.id; });
    return true;
}

bool PrintSpool::FinishLocked(const std::string& id, const char* sub)
{
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->id == id) {
            keptFinished_.push_back({std::move(*it), sub});
            kept_.erase(it);
            return true;
        }
    }
    if (Finish(folder_, id, sub))
        return true;
    // Still in the folder, which cannot take the move now: finished in
    // memory, moved when it can be.
    SpoolEntry entry;
    std::string error;
    if (!UsableId(id) || ReadEntry(folder_ + id + kEntrySuffix, entry, error) != ReadOutcome::Entry)
        return false;
    entry.kept = true;
    keptFinished_.push_back({std::move(entry), sub});
    return true;
}

bool PrintSpool::MarkPrinted(const std::string& id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return FinishLocked(id, kDoneFolder);
}

bool PrintSpool::Discard(const std::string& id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return FinishLocked(id, kDiscardedFolder);
}

size_t PrintSpool::KeptCount()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return kept_.size() + keptFinished_.size();
}

std::vector<SpoolEntry> PrintSpool::WriteKeptEntries(std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SpoolEntry> written;
    // The finished ones first: they are older than anything still pending
    // in the same state, and the folder of finished entries keeps the newest.
    while (!keptFinished_.empty()) {
        KeptFinished& next = keptFinished_.front();
        const std::string folder = folder_ + next.folder;
        CreateFolders(folder);
        next.entry.kept = false;
        // One that is still in the spool folder is moved from there; one
        // that never reached it is written where it belongs.
        const bool moved = IsRegularFile(folder_ + next.entry.id + kEntrySuffix)
                               ? Finish(folder_, next.entry.id, next.folder)
                               : ReplaceFile(folder + next.entry.id + kEntrySuffix, EntryText(next.entry), error) &&
                                     SyncFolder(folder, error);
        if (!moved) {
            if (error.empty())
                error = "cannot move " + next.entry.id + " into " + folder;
            next.entry.kept = true;
            return written;
        }
        Prune(folder, kKeepFinished);
        written.push_back(std::move(next.entry));
        keptFinished_.erase(keptFinished_.begin());
    }
    CreateFolders(folder_);
    while (!kept_.empty()) {
        SpoolEntry& next = kept_.front();
        next.kept = false;
        const std::string path = folder_ + next.id + kEntrySuffix;
        if (!ReplaceFile(path, EntryText(next), error)) {
            next.kept = true;
            return written;
        }
        if (!SyncFolder(folder_, error)) {
            unlink(path.c_str());
            next.kept = true;
            return written;
        }
        written.push_back(std::move(next));
        kept_.erase(kept_.begin());
    }
    return written;
}

std::vector<SpoolEntry> PrintSpool::Pending()
{
    std::lock_guard<std::mutex> lock(mutex_);
    // What memory holds about an entry wins over its file.
    std::set<std::string> inMemory;
    for (const SpoolEntry& held : kept_)
        inMemory.insert(held.id);
    for (const KeptFinished& done : keptFinished_)
        inMemory.insert(done.entry.id);
    std::vector<SpoolEntry> entries;
    for (const std::string& name : FileNames(folder_, kEntrySuffix)) {
        SpoolEntry entry;
        std::string error;
        switch (ReadEntry(folder_ + name, entry, error)) {
        case ReadOutcome::Entry:
            if (inMemory.count(entry.id) == 0)
                entries.push_back(std::move(entry));
            break;
        case ReadOutcome::Broken: MoveAside(folder_, name); break;
        case ReadOutcome::Unreadable: break; // tried again next time
        }
    }
    if (!kept_.empty()) {
        entries.insert(entries.end(), kept_.begin(), kept_.end());
        // Ids sort in arrival order.
        std::stable_sort(entries.begin(), entries.end(),
                         [](const SpoolEntry& a, const SpoolEntry& b) { return a.id < b.id; });
    }
    return entries;
}

size_t PrintSpool::PendingCount()
{
    return Pending().size();
}

std::optional<SpoolEntry> PrintSpool::Find(const std::string& id)
{
    if (!UsableId(id))
        return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const SpoolEntry& held : kept_)
        if (held.id == id)
            return held;
    SpoolEntry entry;
    std::string error;
    if (ReadEntry(folder_ + id + kEntrySuffix, entry, error) != ReadOutcome::Entry)
        return std::nullopt;
    return entry;
}

std::optional<SpoolEntry> PrintSpool::ReadEntryFile(const std::string& path, std::string& error)
{
    SpoolEntry entry;
    if (ReadEntry(path, entry, error) != ReadOutcome::Entry)
        return std::nullopt;
    return entry;
}

std::string PrintSpool::FindEntryFile(const std::string& folder, const std::string& id)
{
    if (!UsableId(id))
        return {};
    const std::string spool = WithSlash(folder);
    for (const char* sub : {"", kDoneFolder, kDiscardedFolder}) {
        const std::string path = spool + sub + id + kEntrySuffix;
        if (IsRegularFile(path))
            return path;
    }
    return {};
}
