#include "kiosk/KioskOptions.h"

#include "foundation/Product.h"

#include <array>
#include <string_view>

namespace {

struct ToolkitOption {
    std::string_view name; // without the leading dashes
    bool takesValue;
};

// The options the application object takes out of the command line itself.
// Anything else that is not ours is refused here rather than passed on, so a
// mistyped option is reported instead of ignored.
constexpr std::array<ToolkitOption, 22> kToolkitOptions{{
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true},
    {"reverse", false},      {"session", true},
    {"display", true},       {"geometry", true},
    {"title", true},         {"name", true},
    {"style", true},         {"stylesheet", true},
    {"widgetcount", false},  {"nograb", false},
    {"dograb", false},       {"sync", false},
    {"visual", true},        {"testability", false},
}};

const ToolkitOption* FindToolkitOption(std::string_view name)
{
    for (const ToolkitOption& option : kToolkitOptions)
        if (option.name == name)
            return &option;
    return nullptr;
}

KioskOptions Refused(std::string error)
{
    KioskOptions options;
    options.action = KioskOptions::Action::Refuse;
    options.error = "bridgeprint-kiosk: " + std::move(error) + " (try --help)";
    return options;
}

} // namespace

KioskOptions ParseKioskOptions(const std::vector<std::string>& args)
{
    KioskOptions options;
    options.toolkitArgs.push_back(args.empty() ? std::string("bridgeprint-kiosk") : args.front());
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--name=value" and "--name value" alike.
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool hasInlineValue = equals != std::string::npos;
        auto value = [&](std::string& into) {
            if (hasInlineValue) {
                into = arg.substr(equals + 1);
                return !into.empty();
            }
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return !into.empty();
        };
        if (name == "--help" || name == "-h") {
            options.action = KioskOptions::Action::Help;
            return options;
        }
        if (name == "--version") {
            options.action = KioskOptions::Action::Version;
            return options;
        }
        if (name == "--fullscreen" && !hasInlineValue) {
            options.fullScreen = true;
        } else if (name == "--access-code-file") {
            if (!value(options.accessCodeFile))
                return Refused(name + " needs a file");
        } else if (name == "--data-dir" || name == "--pdf-folder") {
            std::string& into = name == "--data-dir" ? options.dataDir : options.pdfFolder;
            if (!value(into))
                return Refused(name + " needs a folder");
        } else if (const ToolkitOption* toolkit =
                       arg.size() > 1 && arg[0] == '-'
                           ? FindToolkitOption(std::string_view(name).substr(name.compare(0, 2, "--") == 0 ? 2 : 1))
                           : nullptr) {
            options.toolkitArgs.push_back(arg);
            if (toolkit->takesValue && !hasInlineValue) {
                if (i + 1 >= args.size())
                    return Refused(name + " needs a value");
                options.toolkitArgs.push_back(args[++i]);
            }
        } else {
            return Refused("unknown argument " + arg);
        }
    }
    return options;
}

std::string KioskUsageText()
{
    return "usage: bridgeprint-kiosk [--fullscreen] [--data-dir DIR] [--pdf-folder DIR]\n"
           "                         [--access-code-file FILE]\n"
           "  --fullscreen      start full screen and locked, as the menu's Full screen does\n"
           "  --data-dir DIR    keep settings, spool and journal in DIR (created if missing)\n"
           "  --pdf-folder DIR  print each scorecard as its own PDF file in DIR\n"
           "  --access-code-file FILE\n"
           "                    the access code, in a file only this user can read: the\n"
           "                    saved settings are confirmed with the server at start,\n"
           "                    retried until it answers, with no one at the kiosk\n"
           "  --version         print the version and end\n"
           "  --help            print this text and end\n"
           "Under a service manager the credential $CREDENTIALS_DIRECTORY/access-code\n"
           "serves as --access-code-file when the option is not given.\n"
           "Without --data-dir the data is kept in ztxt/ beside the program when that\n"
           "folder can be written, otherwise in $XDG_STATE_HOME/bridgeprint-kiosk/\n"
           "(~/.local/state/bridgeprint-kiosk/ when XDG_STATE_HOME is not set).\n"
           "Toolkit options such as -platform NAME are passed on.\n";
}

std::string KioskVersionText()
{
    return std::string("bridgeprint-kiosk ") + kProgramVersion + "\n";
}
