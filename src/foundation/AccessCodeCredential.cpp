#include "foundation/AccessCodeCredential.h"

#include "foundation/Files.h"

#include <sys/stat.h>

#include <cstdio>

std::string AccessCodeCredentialPath(const std::string& option, const char* credentialsDirectory)
{
    if (!option.empty())
        return option;
    if (credentialsDirectory == nullptr || credentialsDirectory[0] == '\0')
        return {};
    std::string path = credentialsDirectory;
    if (path.back() != '/')
        path += '/';
    path += kAccessCodeCredentialName;
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? path : std::string();
}

AccessCodeCredential ReadAccessCodeCredential(const std::string& path, bool mustBePrivate)
{
    AccessCodeCredential credential;
    credential.path = path;
    if (path.empty())
        return credential;
    const auto refuse = [&](const std::string& why) {
        credential.problem = path + ": " + why;
        return credential;
    };
    FileRead read = ReadRegularFile(path, kMaxAccessCodeFileBytes);
    if (read.outcome != FileReadOutcome::Read)
        return refuse(read.reason);
    if (mustBePrivate) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0)
            return refuse("cannot be looked at");
        if ((st.st_mode & 077) != 0) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
            return refuse(std::string("can be read or changed by other users (mode ") + mode +
                          "); make it readable by the kiosk's user only (chmod 600)");
        }
    }
    std::string text = std::move(read.bytes);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    if (text.empty())
        return refuse("holds no access code");
    if (text.find_first_of("\r\n") != std::string::npos || text.find('\0') != std::string::npos)
        return refuse("holds more than one line; the access code is its only line");
    credential.code = std::move(text);
    return credential;
}
