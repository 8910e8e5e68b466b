#pragma once
// The access code handed to the kiosk at start, so that it can confirm its
// saved settings with the scoring server by itself after a crash or a power
// cut. The code is never written to the settings file; it comes from a file
// that only the kiosk's user can read, named on the command line, or from
// the credential the service manager passes to the kiosk's service
// ($CREDENTIALS_DIRECTORY/access-code).

#include <string>

inline constexpr const char* kAccessCodeCredentialName = "access-code";
// An access code is a short word; a file beyond this is not one.
inline constexpr size_t kMaxAccessCodeFileBytes = 4096;

struct AccessCodeCredential {
    std::string path;    // the file read; empty when no credential was given
    std::string code;    // the code, when it was read and usable
    std::string problem; // why a file that was given is not used; empty otherwise
    bool Given() const { return !path.empty(); }
    bool Usable() const { return !code.empty(); }
};

// The credential file of this run: `option` (--access-code-file) when it is
// given, else `credentialsDirectory`/access-code when the service manager
// set the folder and the file is there, else none (an empty path).
std::string AccessCodeCredentialPath(const std::string& option, const char* credentialsDirectory);

// Reads the code from `path`. `mustBePrivate`: the file must not be open to
// the group or to others in its permission bits, as a file the director made
// by hand must not be; the service manager's credential folder is private
// to the service by construction and is not held to that (its access may be
// granted through an access list). Trailing blanks and the line end are not
// part of the code; a file with more than one line, or none, is refused.
AccessCodeCredential ReadAccessCodeCredential(const std::string& path, bool mustBePrivate);
