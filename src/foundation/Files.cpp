#include "foundation/Files.h"

#include "foundation/TextUtil.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>

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
    const std::string folder = ProgramFolder() + "ztxt/";
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

std::string ReadWholeFile(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return {};
    std::string bytes;
    std::array<char, 65536> chunk{};
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), f)) > 0)
        bytes.append(chunk.data(), got);
    std::fclose(f);
    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos)
        bytes.erase(zero);
    return bytes;
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
        if ((st.st_mode & S_IWUSR) == 0)
            chmod(path.c_str(), mode);
    }

    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return failure;
    const bool written = WriteAllBytes(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return failure;
    }
    return {};
}

int64_t MillisecondClock()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
