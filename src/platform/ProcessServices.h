#pragma once
// Operating-system services of the kiosk process: the single-instance lock,
// the task-manager sweep of kiosk mode, and SIGPIPE.

#include <string>
#include <vector>

// Holds an exclusive flock() on a lock file for the life of the object. The
// kernel drops the lock when the process dies, so a crash leaves no stale
// lock behind.
class SingleInstanceLock {
public:
    // Takes the lock on `path`; Held() tells whether it was free. A lock file
    // that cannot be made or used (an empty path, a link, not a regular file)
    // counts as held, with a line on stderr: a kiosk that runs without the
    // check beats one that refuses to start on the day of play.
    explicit SingleInstanceLock(const std::string& path);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    bool Held() const { return held; }

private:
    int fd = -1;
    bool held = false;
};

// Where the lock file of a single-instance flag goes.
struct LockPathChoice {
    std::string path; // empty when no folder only this user can write to was found
    std::string note; // why the runtime folder was passed over, or why no folder was found
};

// The lock file "<flagName>.lock" in a folder that only this user can write
// to, so that no other user can hold the lock and keep the kiosk from
// starting: `runtimeDir` ($XDG_RUNTIME_DIR) when it is a folder owned by this
// user that no one else may write to; otherwise "<sharedTemp><flagName>-<uid>/",
// made with mode 0700 when missing and used only when it is a real folder
// (not a link) of ours that no one else may write to.
LockPathChoice ChooseSingleInstanceLockPath(const std::string& flagName, const char* runtimeDir,
                                            const std::string& sharedTemp = "/tmp/");
// ChooseSingleInstanceLockPath for this process's $XDG_RUNTIME_DIR; the note,
// if any, goes to stderr.
std::string SingleInstanceLockPath(const std::string& flagName);

// The system monitors that kiosk mode keeps closed.
const std::vector<std::string>& TaskManagerNames();

// Walks /proc and sends SIGKILL to the first process whose executable's base
// name equals one of `names` exactly (case-sensitive). Returns its pid, or 0
// when none was found or the kill failed. Failures are not reported: the
// caller sweeps again on its next tick.
int KillFirstProcessNamed(const std::vector<std::string>& names);

// A send on a connection the peer has closed must report an error, never end
// the process.
void IgnoreBrokenPipes();

// Starts the first on-screen keyboard program found on PATH (onboard first),
// detached from the kiosk. False when none is installed or it did not start.
bool StartOnScreenKeyboard();
// The keyboard programs looked for, in order.
const std::vector<std::string>& OnScreenKeyboardPrograms();
