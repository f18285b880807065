// Fixed names of settings, tables, scripts and message keys, by index.
#pragma once

constexpr int kSettingNameCount = 72;
// Setting names 0 to 10 are the option table's keys; 0 to 33 are the keys of
// both tables, the settings the option file saves.
constexpr int kOptionKeyCount = 11;
constexpr int kScriptSettingCount = 34;

// Indices the code refers to by name; the rest are walked in ranges.
enum SettingNameIndex {
    kNameBgmVolume = 0,
    kNameEffectVolume = 1,
    kNameMouseExclusive = 2,
    kNameBgmOn = 11,
    kNameSoundOn = 12,
    kNameFirstCommand = 13,   // "/notrade"; commandFlags[k] is 13 + k
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
