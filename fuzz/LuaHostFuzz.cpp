// Arbitrary bytes as one of the three scripts, as source or as a precompiled
// chunk, then one lookup of each kind: no crash, none past the run deadline,
// the Lua stack as it was.
//
// Input: byte 0 picks the script (value % 3) and the extension (value / 3 % 2),
// byte 1 the key (an index into the setting names, or "ISOK"), the rest is the
// file. The other two scripts are the example game's.
#include <string>

extern "C" {
#include <lua.h>
}

#include "FuzzSupport.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"
#include "support/LuaHostProbe.h"

namespace {

const char* const kScripts[] = {"System/LuaFiles514/OptionInfo", "System/LuaFiles514/MsgString",
                                "SaveData/OptionInfo"};
const char* const kExtensions[] = {".lua", ".lub"};

const char* PickKey(uint8_t value)
{
    const int index = value % (kSettingNameCount + 1);
    return index == kSettingNameCount ? "ISOK" : GetSettingName(index);
}

// Runs one lookup and checks that it ended in time and left the stack where
// it found it.
template <typename Getter>
void Probe(CLuaHost& host, Getter getter)
{
    const int before = lua_gettop(LuaHostProbe::State(host));
    TimedLookup(getter);
    FuzzCheck(lua_gettop(LuaHostProbe::State(host)) == before, "a lookup changed the Lua stack height");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    InitSettingNames();
    FuzzGameDir().WriteFile("SaveData/.keep", "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const std::string script = kScripts[data[0] % 3];
    const std::string file = script + kExtensions[data[0] / 3 % 2];
    const char* key = PickKey(data[1]);
    const TempGameDir& dir = FuzzGameDir();
    const std::string original = dir.ReadFile(file);
    const bool hadOriginal = dir.Exists(file);
    PutFile(file, data + 2, size - 2);

    // A fresh state per input, so no global of an earlier input leaks in.
    CLuaHost host;
    FuzzCheck(LuaHostProbe::State(host) != nullptr, "no Lua state");
    Probe(host, [&] { DefaultOption(host, key); });
    Probe(host, [&] { DefaultCommand(host, key); });
    Probe(host, [&] { SavedOption(host, key, 7); });
    Probe(host, [&] { SavedCommand(host, key, 7); });
    Probe(host, [&] { host.GetSetupMessage(key); });

    if (hadOriginal)
        dir.WriteFile(file, original);
    else
        RemoveFile(file);
    return 0;
}
