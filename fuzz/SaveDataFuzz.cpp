// Arbitrary bytes as "SaveData\OptionInfo.lua": read the kept lines, apply the
// values, save; then read that file back and save again.
//
// Holds for every input: no crash; every save is the kept lines and then the
// tool's 35 lines, CR LF throughout; the kept lines survive the second round
// byte for byte; and when the first save reads back to the same values, the
// second save is byte-identical to the first.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"
#include "support/SaveCheck.h"

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";

struct Round {
    std::vector<std::string> kept;
    std::string file;
    std::string values;  // the 34 saved settings, as their lines
};

Round SaveRound()
{
    static SaveRun tool;
    CRegistry& record = tool.StartUp();
    Round round;
    round.kept = record.preservedLines;
    record.preservedLines.clear();  // the tool's own lines alone
    round.values = ComposeOptionFile(record);
    record.preservedLines = round.kept;
    tool.Save();
    round.file = FuzzGameDir().ReadFile(kOptionFile);
    ShutDown();
    return round;
}

// The filter, on the part of a line that a save writes back (up to a NUL).
bool IsToolLine(const std::string& line)
{
    const char* text = line.c_str();
    if (!*text || std::strstr(text, GetSettingName(kNameCommandTable)))
        return true;
    for (int i = 0; i < kOptionKeyCount; ++i)
        if (std::strstr(text, GetSettingName(i)))
            return true;
    return false;
}

void CheckShape(const Round& round)
{
    std::string keptBlock;
    for (const std::string& line : round.kept) {
        FuzzCheck(!IsToolLine(line), "a kept line is one the filter drops");
        FuzzCheck(line.find('\n') == std::string::npos, "a kept line holds a line feed");
        keptBlock.append(line.c_str(), std::strlen(line.c_str()));
        keptBlock += "\r\n";
    }
    FuzzCheck(round.file == keptBlock + round.values, "the save is not the kept lines and the tool's lines");
    for (size_t at = round.file.find('\n'); at != std::string::npos; at = round.file.find('\n', at + 1))
        FuzzCheck(at > 0 && round.file[at - 1] == '\r', "a line of the save does not end with CR LF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PutFile(kOptionFile, data, size);
    const Round first = SaveRound();
    CheckShape(first);
    const Round second = SaveRound();
    CheckShape(second);

    // A kept line with a NUL is written up to the NUL; from then on it is stable.
    std::vector<std::string> firstWritten;
    for (const std::string& line : first.kept)
        firstWritten.push_back(line.c_str());
    FuzzCheck(firstWritten == second.kept, "kept lines changed between two saves");
    if (first.values == second.values)
        FuzzCheck(first.file == second.file, "a save that reads back alike is not byte-identical");
    return 0;
}
