// Runs a fuzz harness once over every file of the folders (or files) named on
// the command line, without libFuzzer: the normal build links each harness
// with this main so that the test suite replays the kept corpus and every
// regression under the compiler and sanitizers of that build.

#include "FuzzCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

bool ReadInput(const std::filesystem::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " FOLDER_OR_FILE...\n";
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path root(argv[i]);
        std::error_code error;
        if (std::filesystem::is_regular_file(root, error)) {
            inputs.push_back(root);
            continue;
        }
        // A folder named here that is missing is a broken test set-up, not an
        // empty corpus: say so instead of passing with nothing replayed.
        if (!std::filesystem::is_directory(root, error)) {
            std::cerr << "replay: no such folder or file: " << root.string() << "\n";
            return 2;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
    }
    // A fixed order, so that a failure reproduces the same way every run.
    std::sort(inputs.begin(), inputs.end());
    std::string bytes;
    for (const auto& path : inputs) {
        if (!ReadInput(path, bytes)) {
            std::cerr << "replay: cannot read " << path.string() << "\n";
            return 2;
        }
        // The name goes out first, so that a crash in the harness names it.
        std::cerr << "replay: " << path.string() << "\n";
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << "replay: " << inputs.size() << " inputs passed\n";
    return 0;
}
