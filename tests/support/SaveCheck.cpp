#include "support/SaveCheck.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/FileOps.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"

SetupParts SaveRun::Parts()
{
    return SetupParts{registry, files ? *files : FileSeam::Current(), m_displays, CLuaHost::Instance(), virtualCopies};
}

namespace {

// A test, fuzzer or stress run that cannot go on ends here, saying why.
CRegistry& Existing(CRegistry* record)
{
    if (!record) {
        std::fprintf(stderr, "no settings record\n");
        std::abort();
    }
    return *record;
}

}  // namespace

CRegistry& SaveRun::StartUp()
{
    ShutDown();
    return Existing(::StartUp(Parts()));
}

SaveResult SaveRun::Save()
{
    return SaveConfirmed(Existing(CRegistry::Instance()), Parts());
}

std::set<std::string> ListTree(const std::string& root)
{
    namespace fs = std::filesystem;
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        names.insert(fs::relative(it->path(), root, ec).generic_string());
    return names;
}

CRegistry* StartFreshRecord()
{
    CRegistry::DestroyInstance();
    InitSettingNames();
    ResetModeList();
    return CRegistry::CrateInstance() ? CRegistry::Instance() : nullptr;
}

void EditSettings(CRegistry& record)
{
    record.width = 1024;
    record.height = 768;
    record.modeIndex = 2;
    record.bgmVolume = -3;
    record.commandFlags[7] = !record.commandFlags[7];
}
