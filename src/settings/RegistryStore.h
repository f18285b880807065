// Where the eight registry-backed settings live.
#pragma once

constexpr const char* kSettingsKey = "Software\\Morvane Soft\\Kestrune";
constexpr const char* kSetupKey = "Software\\Morvane Soft\\VexilSetup";
