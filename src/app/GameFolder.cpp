#include "app/SetupApp.h"

#include <windows.h>

#include <vector>

#include "common/ErrorText.h"
#include "common/FileOps.h"

namespace {

constexpr wchar_t kGameData[] = L"System\\LuaFiles514";

// `folder`\`name`, with one backslash also after a drive's root ("H:\").
std::wstring Below(const std::wstring& folder, const wchar_t* name)
{
    if (folder.empty())
        return name;
    return folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// Wide calls throughout: the folder's name need not fit the ANSI code page.
// A folder deeper than MAX_PATH is looked at by its "\\?\" name, so that one
// that cannot be entered is told as such, not as no game folder.
bool HoldsGameData(const std::wstring& folder)
{
    std::wstring data = Below(folder, kGameData);
    if (data.size() >= MAX_PATH && data.size() > 2 && data[1] == L':')
        data = L"\\\\?\\" + data;
    const DWORD attributes = GetFileAttributesW(data.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The system's words for `code`, without the sentence's full stop.
std::wstring ErrorWords(unsigned long code)
{
    const std::string ansi = FileErrorText(code);
    std::wstring text(ansi.size(), L'\0');
    text.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &text[0], static_cast<int>(text.size()))));
    while (!text.empty() && text.back() == L'.')
        text.pop_back();
    return text;
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
    if (slash == std::wstring::npos)
        return std::wstring();
    // "H:" alone is whatever folder of H: is current; the root is "H:\".
    const bool driveRoot = slash == 2 && file[1] == L':';
    return file.substr(0, driveRoot ? slash + 1 : slash);
}

CSetupApp::FolderSearch CSetupApp::EnterGameFolder(const std::wstring& ownFolder)
{
    // A shortcut with an empty "Start in" starts the tool in the system
    // folder: every relative path would then lead there.
    FolderSearch search{false, CurrentFolder(), ownFolder, 0};
    if (HoldsGameData(std::wstring()))
        search.found = true;
    else if (!ownFolder.empty() && HoldsGameData(ownFolder)) {
        search.found = SetCurrentDirectoryW(ownFolder.c_str()) != FALSE;
        if (!search.found)
            search.enterError = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    }
    return search;
}

std::wstring CSetupApp::NoGameFolderText(const FolderSearch& search)
{
    // Each path on a line of its own: a long one is then not broken mid-word.
    if (search.enterError) {
        std::wstring text = L"Kestrune Setup cannot start: its own folder holds the game, but it could not be "
                            L"entered";
        text += search.enterError == ERROR_FILENAME_EXCED_RANGE
                    ? L": it lies deeper than Windows lets a program work in"
                    : L": " + ErrorWords(search.enterError);
        return text + L":\n\n" + search.own;
    }
    std::wstring text = L"Kestrune Setup cannot start: it must be run from the game folder, the folder that holds\n\n";
    text += kGameData;
    text += L"\n\nIt looked in the current folder,\n\n" + (search.current.empty() ? L"(unknown)" : search.current);
    text += L"\n\nand in its own,\n\n" + (search.own.empty() ? L"(unknown)" : search.own);
    return text;
}
