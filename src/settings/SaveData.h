// The save-data option file "SaveData\\OptionInfo.lua": lines of other writers
// are kept, the tool's 34 settings are rewritten at its end.
#pragma once

class CLuaHost;
class CRegistry;
class IFileOps;

// Keeps the lines of the option file that are not the tool's own in
// record.preservedLines.
void ReadSaveDataLines(CRegistry& record, IFileOps& files);
// Overwrites the 34 script-backed settings with the option file's values.
void ApplySavedOptions(CRegistry& record, CLuaHost& host);
// The save, in two steps around the registry write: the kept lines, then the
// tool's lines behind them.
void WritePreservedLines(const CRegistry& record, IFileOps& files);
void AppendOptionLines(const CRegistry& record, IFileOps& files);
