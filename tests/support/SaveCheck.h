// The tool's steps over the core as the application runs them, and what a
// save of the option file must leave: the old bytes or the complete new file,
// and no stray file. For the core's tests, fuzz targets and benchmarks, which
// do not link the application.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryApi.h"
#include "settings/RegistryStore.h"
#include "settings/SaveData.h"

// The file a save of `record` writes after the kept lines `kept`.
std::string ExpectedOptionFile(const std::vector<std::string>& kept, const CRegistry& record);

// Every file and folder under `root`, as paths relative to it.
std::set<std::string> ListTree(const std::string& root);

// A new settings record as start-up has it before any step reads a value:
// setting names ready, modeList as at program start. Destroys any earlier
// record; null when none could be made.
CRegistry* StartFreshRecord();

// Start-up's reading steps on the current folder: a fresh record with its
// defaults, the kept lines and the saved values. Destroys any earlier record.
CRegistry& ReadSettingsLikeStartUp();

// Changes a few values, so a new file differs from the one it replaces.
void EditSettings(CRegistry& record);

// What the registry write and the option file's save did.
struct ConfirmedSave {
    long registry;
    SaveOutcome optionFile;
};
// The three saves in their order, as after a confirmed sheet.
ConfirmedSave SaveConfirmed();

// Start-up steps 1 to 6 over the current seams; false when no record could be made.
bool StartUpLikeTheTool();
void ShutDownLikeTheTool();
