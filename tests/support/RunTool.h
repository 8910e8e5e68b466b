#pragma once
// Runs a shell command line (a PDF tool on a printed file, say) and returns
// what it wrote to standard output; empty when it could not be started.

#include <array>
#include <cstdio>
#include <memory>
#include <string>

namespace tools {

inline std::string RunTool(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    return out;
}

} // namespace tools
