// The settings record: every value the tool shows, edits and saves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "common/WinTypes.h"

class CLuaHost;
struct DeviceEntry;
struct StoredDevices;

struct ModeEntry {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

constexpr int kModeListSize = 40;
constexpr int kCommandCount = 21;

// Line k of the System page's resolution list shows modeList[k].
extern ModeEntry modeList[kModeListSize];

// The settings record. Its odd names are kept as every part of the tool
// knows them: CRegistry holds far more than the registry's values, and
// CrateInstance is how its creator has always been spelt.
class CRegistry {
public:
    // Zero before the first assignment, so a machine without a usable device
    // still stores defined bytes.
    bool valid;
    int32_t fullScreen{};
    int32_t width{};
    int32_t height{};
    int32_t bitsPerPixel{};
    int32_t deviceIndex{};
    int32_t modeIndex{};
    int32_t spriteMode{};
    int32_t textureMode{};
    GUID deviceGuid{};
    GUID driverGuid{};
    char deviceName[40]{};
    int32_t soundMode{};
    int32_t speakerType{};
    int32_t digitalRateType{};
    int32_t digitalBitsType{};
    char providerName[16]{};
    int32_t bgmVolume{};
    int32_t effectVolume{};
    int32_t bgmOn{};
    int32_t soundOn{};
    int32_t mouseExclusive{};
    int32_t commandFlags[kCommandCount]{};
    std::vector<std::string> preservedLines;
    // How start-up read the option file: a save replaces it only when it was
    // read whole or was missing, since what was not read would be lost.
    Outcome optionFileRead = Outcome::Missing(0);
    // How start-up read the player's virtual copy of the option file, the one
    // the game reads first; kMissing when there is none.
    Outcome virtualCopyRead = Outcome::Missing(0);
    // The copy was written before the real file: the game no longer reads
    // it, so it was neither read nor used, and the save removes it.
    bool virtualCopyStale = false;

    CRegistry();
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    static bool CrateInstance();
    static void DestroyInstance();
    static CRegistry* Instance() { return s_instance; }

    // The defaults: fixed values, those of the default-values script run by
    // `host`, and the first usable device of `devices` with its modes.
    void SetDefaults(CLuaHost& host, const StoredDevices& devices);

private:
    static CRegistry* s_instance;
};

// Sets every entry of modeList to 640 x 480 x 16, as at program start.
void ResetModeList();

// Makes `device` the record's display device: its name and both GUIDs.
void ChooseDevice(CRegistry& record, const DeviceEntry& device);
// Puts the device's offered modes, in order, in modeList from entry 0 and
// returns how many it put there (at most kModeListSize); the entries behind
// keep what they held.
int FillModeList(const DeviceEntry& device);
