#include "foundation/Files.h"

#include "foundation/DataFolderChoice.h"
#include "foundation/TextUtil.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

std::string ProgramFolderOf(const std::string& exePath)
{
    const size_t slash = exePath.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
    // The names are searched in an upper-cased copy, but the cut is made in
    // the path itself so that it keeps its own case on a case-sensitive system.
    for (const char* name : {"RELEASE/", "RELEASE_A9/", "DEBUG/", "DEBUG_A9/", "DEBUGUNICODE_YA/"}) {
        std::string upper = folder;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        const size_t at = upper.find(name);
        if (at != std::string::npos)
            folder.erase(at);
    }
    return folder;
}

std::string ProgramFolder()
{
    std::array<char, 4096> buffer{};
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return "./";
    return ProgramFolderOf(std::string(buffer.data(), static_cast<size_t>(n)));
}

std::string DataFolder()
{
    // Chosen once per run; made again should it have been removed since.
    static const std::string ownChoice =
        ChosenDataFolder().empty() ? ChooseDataFolder(DataFolderRequestOfThisRun("")).folder : std::string();
    const std::string& folder = ChosenDataFolder().empty() ? ownChoice : ChosenDataFolder();
    if (!FolderExists(folder))
        CreateFolders(folder);
    return folder;
}

bool FolderExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolders(const std::string& path)
{
    if (FolderExists(path))
        return true;
    std::string rest = path;
    std::string prefix;
    if (!rest.empty() && rest.front() == '/') {
        prefix = "/";
        rest.erase(0, 1);
    }
    for (TokenReader levels(rest, "/"); !levels.AtEnd();) {
        const std::string_view level = levels.Next();
        if (level.empty())
            continue;
        prefix += level;
        prefix += "/";
        if (!FolderExists(prefix))
            mkdir(prefix.c_str(), 0755);
    }
    return FolderExists(path);
}

namespace {

// What a path that is not a regular file holds, for the message.
const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "something other than a file";
}

FileRead Refused(FileReadOutcome outcome, std::string reason)
{
    FileRead result;
    result.outcome = outcome;
    result.reason = std::move(reason);
    return result;
}

FileRead NotRegular(mode_t mode)
{
    return Refused(FileReadOutcome::NotRegular, std::string("it is ") + KindOf(mode) + ", not a regular file");
}

FileRead TooLarge(size_t cap)
{
    return Refused(FileReadOutcome::TooLarge,
                   "it holds more than " + std::to_string(cap) + " bytes, far more than a file of its kind can");
}

FileRead OpenFailure(int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return Refused(FileReadOutcome::Missing, "it does not exist");
    return Refused(FileReadOutcome::Unreadable, std::string("it cannot be read: ") + std::strerror(error));
}

// Reads at most cap + 1 bytes, so that a file growing behind our back (or
// one whose size the file system does not tell) cannot make us read on.
FileRead ReadOpenFile(int fd, size_t cap)
{
    FileRead result;
    std::array<char, 65536> chunk{};
    for (;;) {
        const size_t room = std::min(chunk.size(), cap + 1 - result.bytes.size());
        const ssize_t n = read(fd, chunk.data(), room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return OpenFailure(errno);
        if (n == 0)
            break;
        result.bytes.append(chunk.data(), static_cast<size_t>(n));
        if (result.bytes.size() > cap)
            return TooLarge(cap);
    }
    result.outcome = FileReadOutcome::Read;
    return result;
}

} // namespace

FileRead ReadRegularFile(const std::string& path, size_t cap)
{
    // The path is looked at before it is opened: opening a FIFO waits for a
    // writer, and opening a device can have effects of its own.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return OpenFailure(errno);
    if (!S_ISREG(st.st_mode))
        return NotRegular(st.st_mode);
    if (static_cast<uintmax_t>(st.st_size) > cap)
        return TooLarge(cap);

    // The path may have been swapped for something else since: O_NONBLOCK
    // keeps the open of a FIFO from waiting, and the second look is at what
    // was actually opened.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return OpenFailure(errno);
    FileRead result;
    if (fstat(fd, &st) != 0)
        result = OpenFailure(errno);
    else if (!S_ISREG(st.st_mode))
        result = NotRegular(st.st_mode);
    else if (static_cast<uintmax_t>(st.st_size) > cap)
        result = TooLarge(cap);
    else
        result = ReadOpenFile(fd, cap);
    close(fd);
    return result;
}

std::string ReadWholeFile(const std::string& path, size_t cap)
{
    FileRead read = ReadRegularFile(path, cap);
    if (read.outcome == FileReadOutcome::Missing)
        return {};
    if (read.outcome != FileReadOutcome::Read) {
        // The caller goes on as if the file were absent; whoever looks at
        // the terminal or the log learns why its content was not used.
        std::fprintf(stderr, "%s ignored: %s\n", path.c_str(), read.reason.c_str());
        return {};
    }
    const size_t zero = read.bytes.find('\0');
    if (zero != std::string::npos)
        read.bytes.erase(zero);
    return std::move(read.bytes);
}

std::string TempFileNameFor(const std::string& path, int pid)
{
    return path + ".tmp-" + std::to_string(pid);
}

namespace {

// The pid in a name WriteWholeFile gives its temporary files, or 0 for any
// other name.
int TempFilePid(const std::string& name)
{
    const std::string marker = ".tmp-";
    const size_t at = name.rfind(marker);
    if (at == std::string::npos || at == 0)
        return 0;
    const std::string digits = name.substr(at + marker.size());
    if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long long pid = std::stoll(digits);
    return pid > 0 && pid <= INT_MAX ? static_cast<int>(pid) : 0;
}

bool ProcessRuns(int pid)
{
    // EPERM: it runs, as another user.
    return kill(pid, 0) == 0 || errno == EPERM;
}

// Flushes the folder of `path`, so that a rename in it survives a power cut.
void SyncFolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // A file system that cannot flush a folder refuses it; the new content
    // is in place all the same, so the save still counts as done.
    fsync(fd);
    close(fd);
}

} // namespace

std::vector<std::string> RemoveStaleTempFiles(const std::string& folder)
{
    std::vector<std::string> removed;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return removed;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const int pid = TempFilePid(name);
        if (pid == 0 || (pid != getpid() && ProcessRuns(pid)))
            continue;
        // Only files we could have written: a link or a folder of that name
        // is someone else's doing and stays.
        struct stat st {};
        if (lstat((base + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (unlink((base + name).c_str()) == 0)
            removed.push_back(name);
    }
    closedir(dir);
    std::sort(removed.begin(), removed.end());
    return removed;
}

bool WriteAllBytes(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::u16string WriteWholeFile(const std::string& path, const std::string& bytes, LangIndex lang)
{
    if (bytes.empty())
        return u"Data len = 0";
    const std::u16string failure = LangTextW("文件是只读的,不能记录数据.||File is read only||<其它>", lang);

    // A read-only file is the owner's to rewrite: give the write permission
    // back first, as the owner would.
    mode_t mode = 0644;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return failure;
        mode = (st.st_mode & 07777) | S_IWUSR;
        // The file a link leads to is not ours to change: the rename below
        // replaces the link itself.
        struct stat own {};
        if ((st.st_mode & S_IWUSR) == 0 && lstat(path.c_str(), &own) == 0 && S_ISREG(own.st_mode))
            chmod(path.c_str(), mode);
    }

    // A leftover of an earlier run with the same pid goes first; O_EXCL then
    // makes sure the bytes land in a new file of ours, not through a link or
    // into a FIFO someone put in its place.
    const std::string temp = TempFileNameFor(path, getpid());
    unlink(temp.c_str());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return failure;
    const bool written = WriteAllBytes(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return failure;
    }
    SyncFolderOf(path);
    return {};
}

int64_t MillisecondClock()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
