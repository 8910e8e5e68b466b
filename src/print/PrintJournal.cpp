#include "print/PrintJournal.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "print/LocalTime.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens `path` for appending, making its folder when missing; null when it
// cannot be opened. `size` is the file's length so far. A file whose last
// line was cut short (the kiosk was killed while writing it) gets a line
// feed first, so that the next line starts on a line of its own.
std::FILE* OpenForAppend(const std::string& path, size_t& size)
{
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        CreateFolders(path.substr(0, slash + 1));
    // Only a regular file is a journal: lines written into a FIFO nobody
    // reads would stop the kiosk once its buffer is full, and lines sent to
    // a device are lost. O_NONBLOCK keeps the open itself from waiting.
    const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "a");
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    size = static_cast<size_t>(st.st_size);
    char last = '\n';
    if (size > 0 && pread(fd, &last, 1, static_cast<off_t>(size - 1)) == 1 && last != '\n' &&
        std::fputc('\n', file) != EOF && std::fflush(file) == 0)
        ++size;
    return file;
}

bool WriteLine(std::FILE* file, const std::string& line)
{
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    return std::fflush(file) == 0 && written;
}

} // namespace

PrintJournal::PrintJournal(std::string path, std::FILE* mirror, size_t maxBytes)
    : path_(std::move(path)), mirror_(mirror), maxBytes_(maxBytes)
{
    file_ = OpenForAppend(path_, size_);
}

PrintJournal::~PrintJournal()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

void PrintJournal::Write(const char* event, const Json::Value& fields)
{
    Json::Value object = fields.isObject() ? fields : Json::Value(Json::objectValue);
    object["time"] = LocalIsoTime(std::chrono::system_clock::now());
    object["event"] = event != nullptr ? event : "";
    const std::string line = NumericJson::WriteCompact(object) + "\n";

    // One lock for both outputs, so that lines from different threads come
    // out whole and in the same order in the file and in the mirror.
    std::lock_guard<std::mutex> lock(mutex_);
    if (mirror_ != nullptr)
        WriteLine(mirror_, line);

    // A journal that could not be opened (a full or missing disk, say) is
    // tried again with every line, so it picks up once the cause is gone.
    if (file_ == nullptr)
        file_ = OpenForAppend(path_, size_);
    if (file_ == nullptr)
        return;
    if (size_ > 0 && size_ + line.size() > maxBytes_) {
        std::fclose(file_);
        const std::string older = path_ + ".1";
        std::rename(path_.c_str(), older.c_str());
        file_ = OpenForAppend(path_, size_);
        if (file_ == nullptr)
            return;
    }
    if (WriteLine(file_, line)) {
        size_ += line.size();
        return;
    }
    // The line may be partly written; a new file handle starts from the
    // file's true length on the next line.
    std::fclose(file_);
    file_ = nullptr;
}

Json::Value PrintJournal::EntryFields(const std::string& label, int32_t sectionId, int32_t teamNumber)
{
    Json::Value fields(Json::objectValue);
    fields["entry"] = label;
    fields["section"] = Json::Int(sectionId);
    fields["team"] = Json::Int(teamNumber);
    return fields;
}
