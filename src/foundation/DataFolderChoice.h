#pragma once
// Which folder the kiosk keeps its data in (settings, remembered printer,
// row heights, spool and journal), decided once at start from whether the
// program's own folder can be written, the environment and --data-dir.
//
// In order: --data-dir when given; "ztxt/" beside the program when that
// folder can be written (portable: a copied folder carries its data along);
// otherwise, installed, the user's state folder ($XDG_STATE_HOME, or
// ~/.local/state) with a folder of the program's own in it.

#include <string>

enum class DataFolderSource {
    Option,   // --data-dir
    Portable, // "ztxt/" beside the program
    State,    // the user's XDG state folder
};

// What the choice depends on; DataFolderRequestOfThisRun fills it in for the
// running program.
struct DataFolderRequest {
    std::string programFolder; // ends with "/"
    bool programFolderWritable = false;
    std::string dataDirOption; // --data-dir as given; empty when not given
    std::string xdgStateHome;  // $XDG_STATE_HOME; empty when unset
    std::string home;          // $HOME; empty when unset
};

struct DataFolderChoice {
    DataFolderSource source = DataFolderSource::Portable;
    std::string folder; // ends with "/"; the folder tried when it is not usable
    bool usable = false;
    std::string problem; // why it is not usable (one English line); empty when usable
};

// The folder the kiosk keeps its data in below the user's state folder.
inline constexpr const char* kStateSubfolder = "bridgeprint-kiosk/";

// Picks the folder as described above, creates it when missing and checks
// that it can be written. There is no falling back from --data-dir: whoever
// names a folder wants that one, and a kiosk quietly saving elsewhere is
// what the option is there to avoid.
DataFolderChoice ChooseDataFolder(const DataFolderRequest& request);

// The request of this run: the program folder and whether it (or an
// existing "ztxt/" in it) can be written, $XDG_STATE_HOME and $HOME.
DataFolderRequest DataFolderRequestOfThisRun(const std::string& dataDirOption);

// From now on DataFolder() is `folder` (ending with "/"). Called once at
// start, before any other thread runs; without it DataFolder() makes the
// choice itself from this run's environment.
void UseDataFolder(const std::string& folder);
// The folder set by UseDataFolder, empty when none was.
const std::string& ChosenDataFolder();
