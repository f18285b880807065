#include "settings/SettingNames.h"

namespace {

const char* settingNames[kSettingNameCount];

const char* const kNames[kSettingNameCount] = {
    "Bgm_Volume", "Effect_Volume", "MouseExclusive", "ISFULLSCREENMODE", "WIDTH",
    "HEIGHT", "BITPERPIXEL", "DEVICECNT", "MODECNT", "SPRITEMODE",
    "TEXTUREMODE", "/bgm", "/sound", "/notrade", "/noshift",
    "/noctrl", "/skillfail", "/notalkmsg", "/notalkmsg2", "/showname",
    "/fog", "/aura", "/window", "/miss", "/effect",
    "/shopping", "/stateinfo", "/loginout", "/snap", "/itemsnap",
    "/camera", "/hoai", "/merai", "/lightmap", "SetupMSG",
    "CmdOnOffList", "OptionInfoList", "System\\LuaFiles514\\MsgString",
    "System\\LuaFiles514\\OptionInfo", "SaveData\\OptionInfo",
    "Device", "Mode", "FullScreen", "MouseExclusive", "Sprite",
    "Texture", "Bgm_Volume", "Effect_Volume", "bgm", "sound",
    "NoSound", "notrade", "noshift", "noctrl", "skillfail",
    "notalkmsg", "notalkmsg2", "showname", "fog", "aura",
    "window", "miss", "effect", "shopping", "stateinfo",
    "loginout", "snap", "itemsnap", "camera", "hoai",
    "merai", "lightmap",
};

}  // namespace

void InitSettingNames()
{
    for (int i = 0; i < kSettingNameCount; ++i)
        settingNames[i] = kNames[i];
}

const char* GetSettingName(int index)
{
    return settingNames[index];
}
