#pragma once
// The kiosk's command line, read before any toolkit object exists so that
// --help and --version work without a display. The toolkit's own options
// (-platform, -style and the like) are passed on untouched.

#include <string>
#include <vector>

struct KioskOptions {
    enum class Action {
        Run,     // start the kiosk
        Help,    // print UsageText() and end
        Version, // print VersionText() and end
        Refuse,  // print `error` on stderr and end with status 2
    };
    Action action = Action::Run;
    bool fullScreen = false;
    std::string dataDir;   // --data-dir; empty when not given
    std::string pdfFolder; // --pdf-folder; empty when not given
    // --access-code-file; empty when not given (the kiosk then looks for the
    // service manager's credential, see AccessCodeCredential.h).
    std::string accessCodeFile;
    // The program name followed by the toolkit's options, in their order:
    // what the application object is to be made from.
    std::vector<std::string> toolkitArgs;
    std::string error; // one line, for Refuse
};

// `args` is the whole command line, the program name first.
KioskOptions ParseKioskOptions(const std::vector<std::string>& args);

std::string KioskUsageText();
// The program name and its version, one line.
std::string KioskVersionText();
