#include "common/Path.h"

#include <cstring>
#include <dirent.h>
#include <strings.h>

namespace {

// The entry of `folder` that `name` names without regard to case, or `name`
// itself when there is none. Where several entries differ in case only, the
// smallest by byte order is taken, so every spelling of a name finds the same
// entry, the exact one included.
std::string MatchComponent(const std::string& folder, const std::string& name)
{
    if (name == "." || name == "..")
        return name;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return name;
    std::string match;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0 &&
            (match.empty() || std::strcmp(entry->d_name, match.c_str()) < 0))
            match = entry->d_name;
    }
    closedir(dir);
    return match.empty() ? name : match;
}

}  // namespace

std::string NativePath(const std::string& toolPath)
{
    const bool absolute = !toolPath.empty() && (toolPath[0] == '/' || toolPath[0] == '\\');
    std::string result = absolute ? "/" : "";
    std::string component;
    for (size_t i = 0; i <= toolPath.size(); ++i) {
        const char c = i < toolPath.size() ? toolPath[i] : '/';
        if (c != '/' && c != '\\') {
            component += c;
            continue;
        }
        if (component.empty())
            continue;
        const bool atTop = result.empty() || result == "/";
        const std::string folder = result.empty() ? std::string(".") : result;
        if (!atTop)
            result += '/';
        result += MatchComponent(folder, component);
        component.clear();
    }
    return result;
}
