// Whether an entry of a folder's access list, read back with the security
// API as Windows' own dialogs read it, lets the local Users group modify the
// folder and what is made in it. Shared by the window tests and regdump.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <string>

inline bool UsersMayModify(const char* folder)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users);
    const DWORD modify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    bool granted = false;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, users) && (ace->Mask & modify) == modify &&
            (ace->Header.AceFlags & inherit) == inherit)
            granted = true;
    }
    FreeSid(users);
    LocalFree(descriptor);
    return granted;
}

// Sets such an entry on a scratch folder by name and reads it back.
inline bool SystemKeepsAccessLists()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "kes-acl-probe";
    CreateDirectoryA(folder.c_str(), nullptr);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users);
    EXPLICIT_ACCESS_A entry = {};
    entry.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.ptstrName = static_cast<LPSTR>(users);
    PACL dacl = nullptr;
    bool kept = false;
    if (SetEntriesInAclA(1, &entry, nullptr, &dacl) == ERROR_SUCCESS) {
        kept = SetNamedSecurityInfoA(&folder[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                                     nullptr) == ERROR_SUCCESS &&
               UsersMayModify(folder.c_str());
        LocalFree(dacl);
    }
    FreeSid(users);
    RemoveDirectoryA(folder.c_str());
    return kept;
}
