// Fixed names of settings, tables, scripts and message keys, by index.
#pragma once

constexpr int kSettingNameCount = 72;

// Indices the code refers to by name; the rest are walked in ranges.
enum SettingNameIndex {
    kNameBgmVolume = 0,
    kNameEffectVolume = 1,
    kNameMouseExclusive = 2,
    kNameFullScreen = 3,
    kNameWidth = 4,
    kNameHeight = 5,
    kNameBitsPerPixel = 6,
    kNameDeviceCount = 7,
    kNameModeCount = 8,
    kNameSpriteMode = 9,
    kNameTextureMode = 10,
    kNameBgmOn = 11,
    kNameSoundOn = 12,
    kNameFirstCommand = 13,   // "/notrade"; commandFlags[k] is 13 + k
    kNameLastOption = 10,
    kNameMessageTable = 34,
    kNameCommandTable = 35,
    kNameOptionTable = 36,
    kNameMessageScript = 37,
    kNameDefaultScript = 38,
    kNameSavedScript = 39,
    kNameFirstSystemTip = 40,   // "Device" .. "NoSound": 40 to 50
    kNameFirstCommandTip = 51,  // "notrade" .. "lightmap": 51 to 71
};

void InitSettingNames();
const char* GetSettingName(int index);
