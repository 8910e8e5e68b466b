#include "platform/ProcessServices.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

SingleInstanceLock::SingleInstanceLock(const std::string& path)
{
    // Without a lock file we cannot tell; letting the kiosk run is better
    // than refusing to start on the day of play.
    if (path.empty()) {
        std::fprintf(stderr, "single-instance lock: no private folder for it, running without the check\n");
        held = true;
        return;
    }
    // O_NOFOLLOW: a link planted at the lock's name must not make us create
    // or lock a file elsewhere. O_NONBLOCK: a FIFO there must not hold up
    // the start; it is refused below.
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        fd = -1;
        errno = EINVAL;
    }
    if (fd < 0) {
        std::fprintf(stderr, "single-instance lock: cannot use %s (%s), running without the check\n", path.c_str(),
                     std::strerror(errno));
        held = true;
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        held = true;
        return;
    }
    if (errno == EWOULDBLOCK)
        return;
    // A file system without locks says nothing about another kiosk.
    std::fprintf(stderr, "single-instance lock: cannot lock %s (%s), running without the check\n", path.c_str(),
                 std::strerror(errno));
    held = true;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (fd >= 0)
        close(fd);
}

namespace {

std::string WithSlash(std::string folder)
{
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// Why `st` is not a folder that only this user can write to; empty when it is.
std::string NotPrivate(const struct stat& st)
{
    if (!S_ISDIR(st.st_mode))
        return "not a folder";
    if (st.st_uid != geteuid())
        return "owned by another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "writable by others";
    return {};
}

} // namespace

LockPathChoice ChooseSingleInstanceLockPath(const std::string& flagName, const char* runtimeDir,
                                            const std::string& sharedTemp)
{
    LockPathChoice choice;
    const std::string file = flagName + ".lock";
    if (runtimeDir != nullptr && *runtimeDir != '\0') {
        struct stat st {};
        // The session sets this folder up; a link to it is its own business,
        // so what counts is the folder the variable leads to.
        std::string why = stat(runtimeDir, &st) == 0 ? NotPrivate(st) : std::string(std::strerror(errno));
        if (why.empty()) {
            choice.path = WithSlash(runtimeDir) + file;
            return choice;
        }
        choice.note = "XDG_RUNTIME_DIR " + std::string(runtimeDir) + " is not used (" + why + "); ";
    }

    // A folder of our own in the shared temporary folder. Anyone may have
    // made that name first, so it is looked at without following a link.
    // The name is looked at without its trailing slash, which would make
    // lstat() follow a link.
    const std::string name = WithSlash(sharedTemp) + flagName + "-" + std::to_string(geteuid());
    const std::string folder = name + "/";
    if (mkdir(name.c_str(), 0700) != 0 && errno != EEXIST) {
        choice.note += "cannot make " + folder + ": " + std::strerror(errno);
        return choice;
    }
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0) {
        choice.note += "cannot look at " + folder + ": " + std::strerror(errno);
        return choice;
    }
    std::string why = S_ISLNK(st.st_mode) ? std::string("a link") : NotPrivate(st);
    if (!why.empty()) {
        choice.note += folder + " is not used (" + why + ")";
        return choice;
    }
    choice.path = folder + file;
    if (!choice.note.empty())
        choice.note += "the lock is in " + folder;
    return choice;
}

std::string SingleInstanceLockPath(const std::string& flagName)
{
    const LockPathChoice choice = ChooseSingleInstanceLockPath(flagName, std::getenv("XDG_RUNTIME_DIR"));
    if (!choice.note.empty())
        std::fprintf(stderr, "single-instance lock: %s\n", choice.note.c_str());
    return choice.path;
}

const std::vector<std::string>& TaskManagerNames()
{
    static const std::vector<std::string> names = {
        "gnome-system-monitor", "plasma-systemmonitor", "ksysguard", "xfce4-taskmanager",
        "lxtask", "mate-system-monitor", "qps",
    };
    return names;
}

namespace {

std::string ExecutableBaseName(const std::string& pid)
{
    std::array<char, 4096> buffer{};
    const ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), buffer.data(), buffer.size() - 1);
    std::string path;
    if (n > 0) {
        path.assign(buffer.data(), static_cast<size_t>(n));
        // A replaced executable reads as "... (deleted)".
        const std::string deleted = " (deleted)";
        if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.erase(path.size() - deleted.size());
    } else {
        // Another user's process: fall back to its first argument.
        std::ifstream cmdline("/proc/" + pid + "/cmdline", std::ios::binary);
        std::getline(cmdline, path, '\0');
    }
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int KillFirstProcessNamed(const std::vector<std::string>& names)
{
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return 0;
    int killed = 0;
    while (dirent* entry = readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::string name = ExecutableBaseName(pid);
        if (std::find(names.begin(), names.end(), name) == names.end())
            continue;
        if (kill(std::atoi(pid.c_str()), SIGKILL) == 0) {
            killed = std::atoi(pid.c_str());
            break;
        }
        // Not ours to kill: go on with the next one.
    }
    closedir(proc);
    return killed;
}

void IgnoreBrokenPipes()
{
    signal(SIGPIPE, SIG_IGN);
}

const std::vector<std::string>& OnScreenKeyboardPrograms()
{
    static const std::vector<std::string> programs = {"onboard", "florence", "matchbox-keyboard", "xvkbd",
                                                      "squeekboard"};
    return programs;
}

bool StartOnScreenKeyboard()
{
    const char* path = std::getenv("PATH");
    const std::vector<std::string> folders = [&] {
        std::vector<std::string> out;
        const std::string list = path ? path : "/usr/bin:/bin";
        // Walk with an offset: erasing the front at each ":" would copy the
        // rest of the list once per entry.
        size_t from = 0;
        for (size_t at; (at = list.find(':', from)) != std::string::npos; from = at + 1)
            out.push_back(list.substr(from, at - from));
        out.push_back(list.substr(from));
        return out;
    }();
    for (const std::string& program : OnScreenKeyboardPrograms()) {
        for (const std::string& folder : folders) {
            if (folder.empty())
                continue;
            const std::string full = folder + "/" + program;
            if (access(full.c_str(), X_OK) != 0)
                continue;
            // Double fork so the keyboard is not our child and never a zombie.
            const pid_t child = fork();
            if (child < 0)
                return false;
            if (child == 0) {
                setsid();
                if (fork() == 0) {
                    execl(full.c_str(), full.c_str(), static_cast<char*>(nullptr));
                }
                _exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
            return true;
        }
    }
    return false;
}
