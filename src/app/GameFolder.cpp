#include "app/SetupApp.h"

#include <windows.h>

#include <vector>

#include "common/FileOps.h"

namespace {

constexpr wchar_t kGameData[] = L"System\\LuaFiles514";

// Wide calls throughout: the folder's name need not fit the ANSI code page.
bool HoldsGameData(const std::wstring& folder)
{
    const std::wstring data = folder.empty() ? kGameData : folder + L"\\" + kGameData;
    const DWORD attributes = GetFileAttributesW(data.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring CSetupApp::OwnFolder()
{
    // Up to the longest path Windows has; the executable may lie deep.
    std::vector<wchar_t> path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (!length || length >= path.size())
        return std::wstring();
    const std::wstring file(path.data(), length);
    const size_t slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

CSetupApp::FolderSearch CSetupApp::EnterGameFolder(const std::wstring& ownFolder)
{
    // A shortcut with an empty "Start in" starts the tool in the system
    // folder: every relative path would then lead there.
    FolderSearch search{false, CurrentFolder(), ownFolder};
    if (HoldsGameData(std::wstring()))
        search.found = true;
    else if (!ownFolder.empty() && HoldsGameData(ownFolder) && SetCurrentDirectoryW(ownFolder.c_str()))
        search.found = true;
    return search;
}

std::wstring CSetupApp::NoGameFolderText(const FolderSearch& search)
{
    std::wstring text = L"Kestrune Setup cannot start: it must be run from the game folder, the folder that holds ";
    text += kGameData;
    text += L". It looked in the current folder, " + (search.current.empty() ? L"(unknown)" : search.current);
    text += L", and in its own, " + (search.own.empty() ? L"(unknown)" : search.own) + L".";
    return text;
}
