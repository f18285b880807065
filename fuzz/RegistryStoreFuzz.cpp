// Arbitrary types, sizes and bytes for the eight values of the settings key,
// and failing operations, through the memory registry: the tool's start-up,
// then, with the failures gone, its confirmed save. No crash; `deviceName`
// ends with a NUL; the values never read keep their defaults; every key
// opened is closed; every value is stored whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"
#include "support/SaveCheck.h"

namespace {

struct StoredValue {
    const char* name;
    size_t size;
};

const StoredValue kValues[] = {
    {"DEVICENAME", 40}, {"GUIDDEVICE", 16},      {"GUIDDRIVER", 16},      {"SOUNDMODE", 4},
    {"SPEAKERTYPE", 4}, {"DIGITALRATETYPE", 4}, {"DIGITALBITSTYPE", 4}, {"PROVIDERNAME", 16},
};

// What the platform returns: denied, missing, more data, a bad handle, a bad function.
const long kErrors[] = {kRegAccessDenied, kRegFileNotFound, kRegMoreData, 6, 1};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzGameDir();  // start-up reads the game folder's files: a temporary one
    FuzzedDataProvider input(data, size);
    static SaveRun tool;
    MemoryRegistry& registry = tool.registry;
    registry = MemoryRegistry();
    if (input.ConsumeBool())
        registry.AddKey(kSettingsKey);
    for (const StoredValue& value : kValues) {
        if (!input.ConsumeBool())
            continue;
        const uint32_t type = input.ConsumeIntegral<uint32_t>();
        const size_t length = input.ConsumeIntegralInRange<size_t>(0, 96);
        registry.Put(kSettingsKey, value.name, type, input.ConsumeBytesAsString(length));
    }
    bool closeFails = false;
    while (input.ConsumeBool()) {
        const auto op = static_cast<MemoryRegistry::Operation>(
            input.ConsumeIntegralInRange<int>(0, MemoryRegistry::kOperationCount - 1));
        closeFails |= op == MemoryRegistry::kClose;
        const char* only = op == MemoryRegistry::kSet && input.ConsumeBool()
                               ? kValues[input.ConsumeIntegralInRange<size_t>(0, 7)].name
                               : "";
        registry.Fail(op, input.PickValueInArray(kErrors), only);
    }

    CRegistry& record = tool.StartUp();
    FuzzCheck(std::memchr(record.deviceName, 0, sizeof record.deviceName) != nullptr,
              "deviceName is not NUL-terminated");
    FuzzCheck(std::strcmp(record.providerName, "No Provider") == 0 && record.speakerType == 0 &&
                  record.digitalRateType == 0 && record.digitalBitsType == 0,
              "a value that is never read changed its field");

    registry.ClearFailures();
    tool.Save();
    for (const StoredValue& value : kValues) {
        const MemoryRegistry::Value* stored = registry.Get(kSettingsKey, value.name);
        FuzzCheck(stored && stored->bytes.size() == value.size, "a value was not stored whole");
    }
    const MemoryRegistry::Value* name = registry.Get(kSettingsKey, "DEVICENAME");
    FuzzCheck(std::memchr(name->bytes.data(), 0, name->bytes.size()) != nullptr,
              "the stored device name has no NUL");
    if (!closeFails)
        FuzzCheck(registry.OpenHandles() == 0, "a key was left open");
    ShutDown();
    return 0;
}
