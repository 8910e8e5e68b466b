#include "platform/ProcessServices.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>

SingleInstanceLock::SingleInstanceLock(const std::string& path)
{
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a lock file we cannot tell; letting the kiosk run is better
        // than refusing to start on the day of play.
        held = true;
        return;
    }
    held = flock(fd, LOCK_EX | LOCK_NB) == 0;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (fd >= 0)
        close(fd);
}

std::string SingleInstanceLockPath(const std::string& flagName)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && *runtime && access(runtime, W_OK) == 0 ? runtime : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return folder + flagName + ".lock";
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
