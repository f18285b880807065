// Start-up's reading steps and the confirmed save, each in its one order. The
// tool runs them on the process-wide objects; tests, fuzzers and benchmarks
// run the same functions on their doubles.
#pragma once

#include <string>

#include "settings/RegistryApi.h"
#include "settings/SaveData.h"
#include "settings/VirtualCopies.h"

class CLuaHost;
class CRegistry;
class DisplayDriverSource;
class IFileOps;

// What start-up and the save work on, besides the settings record.
struct SetupParts {
    IRegistryApi& registry;
    IFileOps& files;
    DisplayDriverSource& displays;
    CLuaHost& host;
    // The game's virtual copies, which it reads before the real ones.
    VirtualCopies virtualCopies = VirtualCopies();

    // The seams' current implementations, the process-wide script host and
    // this process's virtual copies.
    static SetupParts Current();
};

// Told the name of each start-up step as it ends; the start-up benchmark
// times the steps with it.
typedef void (*StepDone)(const char* step, void* context);

// Creates the settings record, then fills it: the setting names, the display
// devices, the defaults with the registry's values over them, the option
// file's kept lines and its values; where the game has virtual copies of the
// key or the file, what it reads from those. Null when no record could be created;
// then nothing else ran. Failures of the steps stay silent.
CRegistry* StartUp(const SetupParts& parts, StepDone done = nullptr, void* context = nullptr);

// What happened to each part of a confirmed save.
struct SaveResult {
    Outcome registry;        // the first failed store's, if any
    Outcome optionFile;
    Outcome virtualValues;   // removing the game's virtual copies of the values
    Outcome virtualCopy;     // and of the option file
    Outcome savedataAccess;  // letting the players change savedata
    // The player whose copies these were, when another account than the
    // setup's, and why that player's copies could not be had.
    std::string player;
    std::string playerStoreMissing;
};

// The three saves in their order: the option file's leftovers cleared, the
// registry written, the option file put in place. Once the registry's values
// are whole their virtual copies go; in a protected game folder the players
// may then change savedata, before the option file is put there; once that
// is whole its virtual copy goes.
SaveResult SaveConfirmed(const CRegistry& record, const SetupParts& parts);

// The player's message about a save: a headline that says what was saved,
// then each part that did not land with its reason. Empty when all landed.
std::string FailedSaveText(const SaveResult& result);

// Frees the settings record, then the display modes.
void ShutDown();
