#include "common/Path.h"

#ifdef _WIN32

std::string NativePath(const std::string& toolPath)
{
    return toolPath;
}

#else

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The name of an entry of `folder` equal to `name` without regard to case,
// or `name` itself when there is none.
std::string MatchComponent(const std::string& folder, const std::string& name)
{
    const std::string prefix = folder.empty() ? std::string() : folder + "/";
    if (name == "." || name == ".." || Exists(prefix + name))
        return name;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return name;
    std::string match = name;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            match = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return match;
}

}  // namespace

std::string NativePath(const std::string& toolPath)
{
    std::string result;
    std::string component;
    const bool absolute = !toolPath.empty() && (toolPath[0] == '/' || toolPath[0] == '\\');
    if (absolute)
        result = "/";
    for (size_t i = absolute ? 1 : 0; i <= toolPath.size(); ++i) {
        const bool end = i == toolPath.size();
        const char c = end ? '/' : toolPath[i];
        if (c != '/' && c != '\\') {
            component += c;
            continue;
        }
        if (component.empty())
            continue;
        const std::string folder = result == "/" ? "/" : result;
        const std::string matched = MatchComponent(folder == "/" ? std::string("/") : folder, component);
        if (!result.empty() && result != "/")
            result += '/';
        result += matched;
        component.clear();
    }
    return result;
}

#endif
