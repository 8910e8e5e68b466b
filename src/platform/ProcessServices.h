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
    // Takes the lock on `path`; Held() tells whether it was free.
    explicit SingleInstanceLock(const std::string& path);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    bool Held() const { return held; }

private:
    int fd = -1;
    bool held = false;
};

// The lock file for a named single-instance flag: in the user's runtime
// folder ($XDG_RUNTIME_DIR, else /tmp), named after the flag.
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
