#include "foundation/DataFolderChoice.h"

#include "foundation/Files.h"

#include <unistd.h>

#include <cstdlib>

namespace {

std::string WithSlash(const std::string& path)
{
    return path.empty() || path.back() == '/' ? path : path + "/";
}

// Creates `folder` when missing; usable when it is a folder that can be
// written afterwards.
DataFolderChoice Settle(DataFolderSource source, const std::string& folder)
{
    DataFolderChoice choice;
    choice.source = source;
    choice.folder = folder;
    if (!CreateFolders(folder))
        choice.problem = "the folder " + folder + " cannot be created";
    else if (access(folder.c_str(), W_OK) != 0)
        choice.problem = "the folder " + folder + " cannot be written";
    else
        choice.usable = true;
    return choice;
}

std::string& ChosenFolder()
{
    static std::string folder;
    return folder;
}

} // namespace

DataFolderChoice ChooseDataFolder(const DataFolderRequest& request)
{
    if (!request.dataDirOption.empty())
        return Settle(DataFolderSource::Option, WithSlash(request.dataDirOption));
    if (request.programFolderWritable)
        return Settle(DataFolderSource::Portable, WithSlash(request.programFolder) + "ztxt/");
    // A relative $XDG_STATE_HOME is to be ignored, as if it were unset: it
    // would mean a different folder from every working directory.
    if (!request.xdgStateHome.empty() && request.xdgStateHome.front() == '/')
        return Settle(DataFolderSource::State, WithSlash(request.xdgStateHome) + kStateSubfolder);
    if (!request.home.empty())
        return Settle(DataFolderSource::State, WithSlash(request.home) + ".local/state/" + kStateSubfolder);
    DataFolderChoice none;
    none.source = DataFolderSource::State;
    none.folder = "~/.local/state/" + std::string(kStateSubfolder);
    none.problem = "neither XDG_STATE_HOME nor HOME is set, so there is no folder of the user's to keep data in";
    return none;
}

DataFolderRequest DataFolderRequestOfThisRun(const std::string& dataDirOption)
{
    DataFolderRequest request;
    request.programFolder = ProgramFolder();
    // A "ztxt/" that is already there and writable keeps being used even
    // when the program's folder itself has been locked down since.
    const std::string portable = request.programFolder + "ztxt/";
    request.programFolderWritable = access(request.programFolder.c_str(), W_OK) == 0 ||
                                    (FolderExists(portable) && access(portable.c_str(), W_OK) == 0);
    request.dataDirOption = dataDirOption;
    if (const char* state = std::getenv("XDG_STATE_HOME"))
        request.xdgStateHome = state;
    if (const char* home = std::getenv("HOME"))
        request.home = home;
    return request;
}

void UseDataFolder(const std::string& folder)
{
    ChosenFolder() = WithSlash(folder);
}

const std::string& ChosenDataFolder()
{
    return ChosenFolder();
}
