#pragma once
// A private folder for one test: made empty under $TMPDIR (or /tmp) with a
// name no other process can have, and removed with everything in it when the
// object goes away, so a failing test leaves nothing behind and tests running
// side by side never share files.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

class TempDir {
public:
    // `prefix` starts the folder's name, so a leftover folder tells which
    // test made it.
    explicit TempDir(const std::string& prefix = "bp-test")
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
        pattern += "/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempDir()
    {
        if (!keep_ && !path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // False when the folder could not be made; Path() is then empty.
    bool Valid() const { return !path_.empty(); }
    // The folder, without a trailing slash.
    const std::string& Path() const { return path_; }
    // The path of `name` inside the folder (the file need not exist).
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Leaves the folder in place when the object goes away, to look at what
    // a test wrote.
    void Keep() { keep_ = true; }

private:
    std::string path_;
    bool keep_ = false;
};
