// Arbitrary bytes through the chunk checker, for chunks of the native build.
// Every chunk it takes must then load in Lua and run under the host's bounds
// without a sanitizer report: what it lets through is what the tool runs.
#include <cstring>
#include <string>

extern "C" {
#include <lua.h>
}

#include "FuzzSupport.h"
#include "script/ChunkCheck.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"
#include "support/LuaHostProbe.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    InitSettingNames();
    FuzzGameDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const ChunkVerdict verdict = CheckChunk(bytes, size, sizeof(size_t));
    (void)CheckChunk(bytes, size, kChunkSizeTWidth);  // the shipped width's reads, under the sanitizers
    if (verdict != ChunkVerdict::kData)
        return 0;

    // The default script, as it is the only one read with no table prepared.
    const char* const script = "System\\LuaFiles514\\OptionInfo";
    PutFile("System/LuaFiles514/OptionInfo.lub", data, size);
    CLuaHost host(sizeof(size_t));
    FuzzCheck(LuaHostProbe::LoadChunk(host, script), "Lua refused a chunk the checker took");
    lua_settop(LuaHostProbe::State(host), 0);
    CLuaHost::Key keys[] = {
        CLuaHost::Key::Number(GetSettingName(kNameOptionTable), GetSettingName(kNameBgmVolume), 7),
        CLuaHost::Key::Number(GetSettingName(kNameCommandTable), GetSettingName(kNameFirstCommand), 7),
        CLuaHost::Key::Text(GetSettingName(kNameOptionTable), GetSettingName(kNameWidth)),
    };
    host.LookupValues(script, keys, sizeof keys / sizeof keys[0]);
    (void)std::strlen(keys[2].text.c_str());
    FuzzCheck(lua_gettop(LuaHostProbe::State(host)) == 0, "a lookup changed the Lua stack height");
    return 0;
}
