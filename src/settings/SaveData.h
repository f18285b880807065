// The save-data option file: lines of other writers are kept, the tool's 34
// settings are rewritten at its end.
#pragma once

#include <string>
#include <string_view>

#include "common/FileOps.h"

class CLuaHost;
class CRegistry;

// The option file, relative to the game folder, and the folder that holds it.
constexpr std::string_view kOptionFilePath = "savedata\\OptionInfo.lua";
constexpr std::string_view kOptionFolder = kOptionFilePath.substr(0, kOptionFilePath.rfind('\\'));

// Keeps the lines of the option file that are not the tool's own in
// record.preservedLines, and how the file was read in record.optionFileRead.
void ReadSaveDataLines(CRegistry& record, IFileOps& files);
// The read itself: the option file's foreign lines appended to
// record.preservedLines, or none when it could not be read whole.
Outcome ReadOptionLines(CRegistry& record, IFileOps& files);
// Overwrites the 34 script-backed settings with the option file's values.
void ApplySavedOptions(CRegistry& record, CLuaHost& host);
// The new file's bytes: the kept lines, the 11 option lines, an empty line and
// the 23 command lines, each ended by CR LF.
std::string ComposeOptionFile(const CRegistry& record);

// The save, in the two steps that frame the registry write. Nothing stays
// open or pending between them: the first only clears what killed saves left
// behind; the second composes the whole file and puts it in place in one
// step, unless start-up could not read all of the old one.
void RemoveLeftoverSaves(IFileOps& files);
// The step that failed is named in the result.
Outcome SaveOptionFile(const CRegistry& record, IFileOps& files);
