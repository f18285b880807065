// What a save of the option file must leave, for the fault-injection tests of
// both builds: either the old bytes or the complete new file, and no stray file.
#pragma once

#include <set>
#include <string>
#include <vector>

class CRegistry;

// The file a save of `record` writes after the kept lines `kept`.
std::string ExpectedOptionFile(const std::vector<std::string>& kept, const CRegistry& record);

// Every file and folder under `root`, as paths relative to it.
std::set<std::string> ListTree(const std::string& root);

// Start-up's reading steps on the current folder: a fresh record with its
// defaults, the kept lines and the saved values. Destroys any earlier record.
CRegistry& ReadSettingsLikeStartUp();

// Changes a few values, so a new file differs from the one it replaces.
void EditSettings(CRegistry& record);

// The three saves in their order, as after a confirmed sheet.
void SaveConfirmed();
