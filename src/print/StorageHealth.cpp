#include "print/StorageHealth.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string FolderOf(const std::string& file)
{
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
}

std::string Megabytes(uint64_t bytes)
{
    return std::to_string(bytes / (1024 * 1024)) + "." + std::to_string(bytes % (1024 * 1024) * 10 / (1024 * 1024)) +
           " MB";
}

StorageStatus Problem(StorageProblem problem, const std::string& path, const std::string& detail)
{
    return StorageStatus{problem, path, detail};
}

// A folder the kiosk must create files in. access() also answers for a
// read-only file system and for an immutable folder, whoever asks.
bool Writable(const std::string& path, std::string& why)
{
    if (access(path.c_str(), W_OK | X_OK) == 0)
        return true;
    why = std::strerror(errno);
    return false;
}

} // namespace

StorageStatus CheckStorage(const std::string& spoolFolder, const std::string& journalPath, uint64_t reserveBytes)
{
    const std::string spool = WithSlash(spoolFolder);
    std::string why;
    for (const std::string& folder : {spool, spool + "done/"}) {
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0)
            return Problem(StorageProblem::SpoolNotAFolder, folder,
                           folder + " cannot be reached: " + std::strerror(errno));
        if (!S_ISDIR(st.st_mode))
            return Problem(StorageProblem::SpoolNotAFolder, folder, folder + " is not a folder");
        if (!Writable(folder, why))
            return Problem(StorageProblem::SpoolUnwritable, folder, "cannot write in " + folder + ": " + why);
    }

    struct stat st {};
    if (stat(journalPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Problem(StorageProblem::JournalNotAFile, journalPath, journalPath + " is not a regular file");
        if (access(journalPath.c_str(), W_OK) != 0)
            return Problem(StorageProblem::JournalUnwritable, journalPath,
                           "cannot write " + journalPath + ": " + std::strerror(errno));
    } else if (errno == ENOENT) {
        const std::string folder = FolderOf(journalPath);
        if (!Writable(folder, why))
            return Problem(StorageProblem::JournalUnwritable, folder, "cannot write in " + folder + ": " + why);
    } else {
        return Problem(StorageProblem::JournalUnwritable, journalPath,
                       journalPath + " cannot be reached: " + std::strerror(errno));
    }

    struct statvfs fs {};
    if (statvfs(spool.c_str(), &fs) == 0) {
        const uint64_t free = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
        if (free < reserveBytes)
            return Problem(StorageProblem::LowSpace, spool,
                           "only " + Megabytes(free) + " free for " + spool + " (the kiosk keeps " +
                               Megabytes(reserveBytes) + " free)");
    }
    return {};
}

const char* StorageProblemName(StorageProblem problem)
{
    switch (problem) {
    case StorageProblem::None: return "ok";
    case StorageProblem::SpoolNotAFolder: return "spool-not-a-folder";
    case StorageProblem::SpoolUnwritable: return "spool-unwritable";
    case StorageProblem::JournalNotAFile: return "journal-not-a-file";
    case StorageProblem::JournalUnwritable: return "journal-unwritable";
    case StorageProblem::LowSpace: return "low-space";
    }
    return "ok";
}
