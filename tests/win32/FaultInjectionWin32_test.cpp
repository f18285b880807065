// Faults of the real platform under Wine: the option file read-only or held
// open by another program, "savedata" a plain file, the settings key not
// writable or not readable. Afterwards the option file holds its old bytes or
// the whole new file, nothing is left behind, and nothing crashed.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "app/SetupApp.h"
#include "common/ErrorText.h"
#include "ui/SetupOption.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";
const char kOptionPath[] = "SaveData\\OptionInfo.lua";

const char kOldFile[] =
    "GameWindowX = 12\r\n"
    "OptionInfoList[\"WIDTH\"] = 800\r\n"
    "\r\n"
    "CmdOnOffList[\"/fog\"] = 0\r\n"
    "Last = 1\r\n";

void DeleteKeys()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSetupKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Morvane Soft");  // only when nothing else is in it
}

// Sets the settings key's DACL: everyone is denied `denied` and allowed the rest.
// With `denied` zero the key gets no DACL, that is full access again.
bool RestrictSettingsKey(DWORD denied)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, WRITE_DAC,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBytes[256];
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    InitializeAcl(acl, sizeof aclBytes, ACL_REVISION);
    if (denied)
        AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, denied ? acl : nullptr, FALSE);
    const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    FreeSid(everyone);
    RegCloseKey(key);
    return set;
}

std::string QueryValue(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::string();
    char data[64] = {};
    DWORD size = sizeof data;
    const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data, size) : std::string();
}

void StoreValue(const char* name, const std::string& bytes)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

class FaultInjectionWin32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKeys();
        dir.CopyExampleScripts();
        dir.WriteFile(kOptionFile, kOldFile);
    }

    void TearDown() override
    {
        SetFileAttributesA(kOptionPath, FILE_ATTRIBUTE_NORMAL);
        CSetupApp::ShutDown();
        saveConfirmed = false;
        RestrictSettingsKey(0);
        DeleteKeys();
    }

    // Start-up, an edit and a confirmed save, with `during` run just before
    // the save and `after` just after it. Returns the option file's bytes.
    std::string StartUpAndSave(const std::function<void()>& during = [] {},
                               const std::function<void()>& after = [] {})
    {
        const std::set<std::string> before = ListTree(dir.Path());
        EXPECT_TRUE(CSetupApp::StartUp());
        CRegistry& record = *CRegistry::Instance();
        EditSettings(record);
        expectedNew = ComposeOptionFile(record);
        during();
        saveConfirmed = true;
        save = CSetupApp::SaveIfConfirmed();
        after();
        EXPECT_EQ(before, ListTree(dir.Path())) << "a temporary file was left behind";
        return dir.ReadFile(kOptionFile);
    }

    TempGameDir dir;
    std::string expectedNew;
    SaveResult save;
};

TEST_F(FaultInjectionWin32, ReadOnlyFileIsNotOverwritten)
{
    ASSERT_TRUE(SetFileAttributesA(kOptionPath, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(kOldFile, StartUpAndSave());
    EXPECT_EQ(Outcome::kFailed, save.optionFile.kind);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), save.optionFile.code);
    EXPECT_TRUE(save.registry);
}

// Another program holds the file open the whole time, without sharing: the
// tool cannot read it, so it must not replace it with a file that lost the
// other program's lines.
TEST_F(FaultInjectionWin32, FileHeldOpenWithoutSharingStaysAsItWas)
{
    HANDLE held = CreateFileA(kOptionPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    StartUpAndSave();
    CloseHandle(held);
    EXPECT_EQ(kOldFile, dir.ReadFile(kOptionFile));
    EXPECT_EQ(Outcome::kNotReadWhole, save.optionFile.kind);
}

// Opened by another program during the save only, as a game reads it. A file
// deleted while another handle shares it for deletion stays until that
// handle is closed, so the tree is compared after the other program let go.
TEST_F(FaultInjectionWin32, FileHeldOpenDuringTheSaveIsOldOrNew)
{
    const DWORD sharings[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
    for (DWORD sharing : sharings) {
        SCOPED_TRACE("sharing " + std::to_string(sharing));
        dir.WriteFile(kOptionFile, kOldFile);
        HANDLE held = INVALID_HANDLE_VALUE;
        StartUpAndSave(
            [&] {
                held = CreateFileA(kOptionPath, GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            },
            [&] { CloseHandle(held); });
        EXPECT_NE(INVALID_HANDLE_VALUE, held);
        const std::string file = dir.ReadFile(kOptionFile);
        if (!(sharing & FILE_SHARE_WRITE))
            EXPECT_EQ(kOldFile, file) << "a file held without sharing deletion cannot be replaced";
        else
            EXPECT_TRUE(file == kOldFile || file == expectedNew) << file;
        CSetupApp::ShutDown();
    }
}

// Where the folder or the file is of the wrong kind, nothing is saved and
// nothing of it changes.
TEST_F(FaultInjectionWin32, WrongKindsOfEntryStayAsTheyWere)
{
    ASSERT_TRUE(DeleteFileA(kOptionPath));
    ASSERT_TRUE(CreateDirectoryA(kOptionPath, nullptr));
    StartUpAndSave();
    EXPECT_TRUE(GetFileAttributesA(kOptionPath) & FILE_ATTRIBUTE_DIRECTORY) << "the folder named like the file";
    CSetupApp::ShutDown();

    ASSERT_TRUE(RemoveDirectoryA(kOptionPath));
    ASSERT_TRUE(RemoveDirectoryA("SaveData"));
    dir.WriteFile("savedata", "not a folder");
    StartUpAndSave();
    EXPECT_EQ("not a folder", dir.ReadFile("savedata"));
}

// The key exists but cannot be opened for writing: start-up reads it, the
// save stores nothing in it and still writes the option file.
TEST_F(FaultInjectionWin32, SettingsKeyNotWritableKeepsItsValues)
{
    const std::string guid(16, '\x5A');
    StoreValue("GUIDDEVICE", guid);
    ASSERT_TRUE(RestrictSettingsKey(KEY_SET_VALUE | KEY_CREATE_SUB_KEY));
    HKEY probe;
    ASSERT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr,
                                                   REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &probe,
                                                   nullptr));
    const std::string file = StartUpAndSave();
    EXPECT_EQ(expectedNew, file);
    EXPECT_EQ(0u, file.find("GameWindowX = 12\r\nLast = 1\r\n")) << "the foreign lines, read through Windows, kept";
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), save.registry.code);
    EXPECT_EQ(0u, FailedSaveText(save).find("The settings were saved in savedata\\OptionInfo.lua, but not in the "
                                            "registry.\n\nHKEY_LOCAL_MACHINE\\Software\\Morvane Soft\\Kestrune:\ncould not write it: "))
        << FailedSaveText(save);
    EXPECT_EQ(0, std::memcmp(&CRegistry::Instance()->deviceGuid, guid.data(), 16));
    EXPECT_EQ(guid, QueryValue("GUIDDEVICE"));
    EXPECT_EQ("", QueryValue("SOUNDMODE"));
}

// Not even readable: start-up keeps the defaults and tries to create the
// values, which fails; nothing crashes and the option file is still saved.
TEST_F(FaultInjectionWin32, SettingsKeyNotReadableKeepsDefaults)
{
    ASSERT_TRUE(RestrictSettingsKey(KEY_ALL_ACCESS & ~(READ_CONTROL | WRITE_DAC)));
    const std::string file = StartUpAndSave();
    EXPECT_EQ(expectedNew, file);
    EXPECT_EQ(1, CRegistry::Instance()->soundMode);
    RestrictSettingsKey(0);
    EXPECT_EQ("", QueryValue("DEVICENAME"));
}

}  // namespace
