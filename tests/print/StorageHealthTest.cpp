#include "print/StorageHealth.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(StorageHealth, NamesWhatIsWrongAndWhere)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& spool, const std::string& journal)> spoil;
        StorageProblem problem;
        const char* where; // the end of the path named
        uint64_t reserve = kStorageReserveBytes;
    };
    const Case cases[] = {
        {"all well, no journal yet", [](const std::string&, const std::string&) {}, StorageProblem::None, ""},
        {"the spool a link to a device",
         [](const std::string& spool, const std::string&) {
             fs::remove_all(spool);
             fs::create_symlink("/dev/null", spool.substr(0, spool.size() - 1));
         },
         StorageProblem::SpoolNotAFolder, "spool/"},
        {"the spool gone",
         [](const std::string& spool, const std::string&) { fs::remove_all(spool); },
         StorageProblem::SpoolNotAFolder, "spool/"},
        {"its done/ folder a file",
         [](const std::string& spool, const std::string&) {
             fs::remove_all(spool + "done");
             std::ofstream(spool + "done") << "x";
         },
         StorageProblem::SpoolNotAFolder, "spool/done/"},
        {"the journal a FIFO",
         [](const std::string&, const std::string& journal) { mkfifo(journal.c_str(), 0600); },
         StorageProblem::JournalNotAFile, "print-journal.jsonl"},
        {"the journal a folder",
         [](const std::string&, const std::string& journal) { fs::create_directories(journal); },
         StorageProblem::JournalNotAFile, "print-journal.jsonl"},
        {"less room than kept free", [](const std::string&, const std::string&) {}, StorageProblem::LowSpace,
         "spool/", uint64_t(1) << 62},
    };
    for (const Case& c : cases) {
        TempDir data("bp-storage");
        const std::string spool = data.Path() + "/spool/";
        const std::string journal = data.Path() + "/print-journal.jsonl";
        fs::create_directories(spool + "done");
        c.spoil(spool, journal);
        const StorageStatus status = CheckStorage(spool, journal, c.reserve);
        EXPECT_EQ(status.problem, c.problem) << c.what << ": " << status.detail;
        const std::string where = c.where;
        EXPECT_TRUE(status.path.size() >= where.size() &&
                    status.path.compare(status.path.size() - where.size(), where.size(), where) == 0)
            << c.what << ": " << status.path;
        EXPECT_EQ(status.detail.empty(), status.Ok()) << c.what;
    }
}

} // namespace
