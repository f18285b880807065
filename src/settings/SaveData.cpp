// The save-data option file: foreign lines are kept, the tool's 34 lines are
// rewritten. The new file is composed in memory, written to a temporary file
// of its own beside the old one and put in its place in one step, so the
// option file is always the old whole save or the new whole save.
#include "settings/SaveData.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileOps.h"
#include "common/OutputFile.h"
#include "common/Path.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

namespace {

// Temporary files are "<option file>.<process id>-<n>.tmp".
constexpr const char* kTempEnd = ".tmp";
constexpr int kTempNames = 16;
// What a save too large to compose reports: ERROR_NOT_ENOUGH_MEMORY, ENOMEM.
#ifdef _WIN32
constexpr unsigned long kOutOfMemoryCode = 8;
#else
constexpr unsigned long kOutOfMemoryCode = 12;
#endif

// The fields behind setting names 0 to 12; 13 to 33 are commandFlags.
int32_t CRegistry::*const kSettingFields[kNameFirstCommand] = {
    &CRegistry::bgmVolume, &CRegistry::effectVolume, &CRegistry::mouseExclusive, &CRegistry::fullScreen,
    &CRegistry::width,     &CRegistry::height,       &CRegistry::bitsPerPixel,   &CRegistry::deviceIndex,
    &CRegistry::modeIndex, &CRegistry::spriteMode,   &CRegistry::textureMode,    &CRegistry::bgmOn,
    &CRegistry::soundOn,
};

int32_t SettingValue(const CRegistry& record, int index)
{
    return index < kNameFirstCommand ? record.*kSettingFields[index] : record.commandFlags[index - kNameFirstCommand];
}

int32_t& SettingValue(CRegistry& record, int index)
{
    return index < kNameFirstCommand ? record.*kSettingFields[index] : record.commandFlags[index - kNameFirstCommand];
}

// Tested on the line up to its first NUL byte, the part that is written back,
// so a kept line stays kept after the next save.
bool IsOwnLine(std::string_view line)
{
    line = line.substr(0, line.find('\0'));
    if (line.find(GetSettingName(kNameCommandTable)) != std::string_view::npos)
        return true;
    for (int i = 0; i < kOptionKeyCount; ++i)
        if (line.find(GetSettingName(i)) != std::string_view::npos)
            return true;
    return line.empty();
}

// One pass over the file; only the kept lines are copied.
void KeepForeignLines(CRegistry& record, const std::string& bytes)
{
    const std::string_view text(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        else if (end > start && text[end - 1] == '\r')
            --end;
        const std::string_view line = text.substr(start, end - start);
        if (!IsOwnLine(line))
            record.preservedLines.emplace_back(line);
        start = next;
    }
}

std::string OptionFile()
{
    return NativePath(std::string(kOptionFilePath));
}

class TextSink : public IOutputFile {
public:
    void Write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

// The option file's folder and name, split at its last separator.
struct PathParts {
    std::string folder;
    char separator;
    std::string name;
};

PathParts Split(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos)
        return PathParts{".", '/', path};
    return PathParts{path.substr(0, cut), path[cut], path.substr(cut + 1)};
}

// The writer's process id when `entry` is exactly a name WriteTempFile makes
// for `name`: "<name>.<pid>-<n>.tmp" with the numbers as it writes them.
bool IsTempFileOf(const std::string& entry, const std::string& name, unsigned long& writer)
{
    const size_t endLength = std::strlen(kTempEnd);
    if (entry.size() <= name.size() + 1 + endLength || entry.compare(0, name.size(), name) != 0 ||
        entry[name.size()] != '.' || entry.compare(entry.size() - endLength, endLength, kTempEnd) != 0)
        return false;
    const std::string middle = entry.substr(name.size() + 1, entry.size() - name.size() - 1 - endLength);
    const size_t dash = middle.find('-');
    if (dash == std::string::npos || dash > 10 || middle.size() - dash - 1 > 2 ||
        middle.find_first_not_of("0123456789-") != std::string::npos)
        return false;
    const unsigned long long pid = std::strtoull(middle.c_str(), nullptr, 10);
    const unsigned long n = std::strtoul(middle.c_str() + dash + 1, nullptr, 10);
    if (pid == 0 || pid > 0xFFFFFFFFull || n >= static_cast<unsigned long>(kTempNames) ||
        middle != std::to_string(pid) + "-" + std::to_string(n))
        return false;
    writer = static_cast<unsigned long>(pid);
    return true;
}

// Writes `bytes` to a new temporary file beside `target`, named in `temp`.
// Fails with the first failing write, flush or close, or, when no name could
// be made, with the last create's failure.
Outcome WriteTempFile(IFileOps& files, const std::string& target, const std::string& bytes, std::string& temp)
{
    const std::string stem = target + "." + std::to_string(files.ProcessId()) + "-";
    Outcome created;
    for (int n = 0; n < kTempNames; ++n) {
        temp = stem + std::to_string(n) + kTempEnd;
        IFileOps::Handle file = nullptr;
        created = files.CreateNew(temp, file);
        if (!created)
            continue;
        Outcome status = files.Write(file, bytes.data(), bytes.size());
        if (status)
            status = files.Flush(file);
        const Outcome closed = files.Close(file);
        if (status)
            status = closed;
        if (!status)
            files.Remove(temp);
        return status.In(Outcome::kWriteTemporary);
    }
    return created.In(Outcome::kCreateTemporary);
}

Outcome PutInPlace(IFileOps& files, const std::string& target, const std::string& bytes)
{
    std::string temp;
    const Outcome written = WriteTempFile(files, target, bytes, temp);
    if (!written)
        return written;
    const bool existed = files.Exists(target);
    const Outcome replaced = files.Replace(temp, target).In(Outcome::kReplace);
    if (replaced)
        return replaced;
    if (files.Exists(target) || !existed) {
        files.Remove(temp);
        return replaced;
    }
    // The replace failed half-way and took the old file away: the new file is
    // now the only whole copy. It goes in place, or stays where it is.
    return files.Replace(temp, target) ? Outcome::Done() : replaced;
}

// A save ends with the last command line; a temporary file cut short by a
// kill does not.
bool IsWholeSave(const std::string& bytes)
{
    const std::string last = std::string(GetSettingName(kNameCommandTable)) + "[\"" +
                             GetSettingName(kScriptSettingCount - 1) + "\"] = ";
    if (bytes.size() < last.size() + 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
        return false;
    const size_t previous = bytes.rfind("\r\n", bytes.size() - 3);
    const size_t start = previous == std::string::npos ? 0 : previous + 2;
    return bytes.compare(start, last.size(), last) == 0;
}

// The temporary files in the option file's folder that no running process is
// writing. This process has not started a save of its own when it asks, so a
// file with its id was left by an earlier process that had the same id.
std::vector<std::string> LeftoverTempFiles(IFileOps& files, const std::string& target)
{
    const PathParts parts = Split(target);
    const unsigned long self = files.ProcessId();
    std::vector<std::string> names, leftovers;
    files.List(parts.folder, names);  // an unlisted folder has nothing to clear
    for (const std::string& entry : names) {
        unsigned long writer = 0;
        if (IsTempFileOf(entry, parts.name, writer) && (writer == self || !files.ProcessRunning(writer)))
            leftovers.push_back(parts.folder + parts.separator + entry);
    }
    return leftovers;
}

// A save whose rename failed half-way leaves the option file missing and the
// whole new file under its temporary name. The read puts it in place first:
// otherwise it would keep no lines, and a run that ends without saving would
// leave the game without its settings.
void RecoverOptionFile(IFileOps& files)
{
    const std::string target = OptionFile();
    if (files.Exists(target))
        return;
    for (const std::string& temp : LeftoverTempFiles(files, target)) {
        std::string bytes;
        if (files.ReadAll(temp, bytes) && IsWholeSave(bytes) && files.Replace(temp, target))
            return;
    }
}

}  // namespace

void ReadSaveDataLines(CRegistry& record, IFileOps& files)
{
    try {
        RecoverOptionFile(files);  // a write inside the read: it finishes an interrupted save
    } catch (const std::bad_alloc&) {
        record.optionFileRead = Outcome::Failed(kOutOfMemoryCode);
        return;
    }
    record.optionFileRead = ReadOptionLines(record, files);
}

Outcome ReadOptionLines(CRegistry& record, IFileOps& files)
{
    const size_t keptBefore = record.preservedLines.size();
    try {
        std::string bytes;
        const Outcome read = files.ReadAll(OptionFile(), bytes);
        if (read)
            KeepForeignLines(record, bytes);
        return read;
    } catch (const std::bad_alloc&) {
        // A file too large to hold counts as unreadable.
        record.preservedLines.resize(keptBefore);
        return Outcome::Failed(kOutOfMemoryCode);
    }
}

void ApplySavedOptions(CRegistry& record, CLuaHost& host)
{
    // One run of the saved-values script gives all 34 values; each key keeps
    // the field's current value when the script does not give it.
    CLuaHost::Key keys[kScriptSettingCount];
    for (int i = 0; i < kScriptSettingCount; ++i) {
        const int table = i < kOptionKeyCount ? kNameOptionTable : kNameCommandTable;
        keys[i] = CLuaHost::Key::Number(GetSettingName(table), GetSettingName(i), SettingValue(record, i));
    }
    host.LookupValues(GetSettingName(kNameSavedScript), keys, kScriptSettingCount);
    for (int i = 0; i < kScriptSettingCount; ++i)
        SettingValue(record, i) = keys[i].number;
}

std::string ComposeOptionFile(const CRegistry& record)
{
    TextSink file;
    for (const std::string& line : record.preservedLines) {
        file.text += line.c_str();  // up to a NUL byte, if the line holds one
        file.text += "\r\n";
    }
    for (int i = 0; i < kOptionKeyCount; ++i)
        CLuaHost::WriteOptionEntry(file, GetSettingName(i), SettingValue(record, i));
    file.text += "\r\n";
    for (int i = kOptionKeyCount; i < kScriptSettingCount; ++i)
        CLuaHost::WriteCommandEntry(file, GetSettingName(i), SettingValue(record, i));
    return file.text;
}

// Never a file a running copy is writing; nothing while the option file is
// missing, as a leftover may then be the only copy of the save.
void RemoveLeftoverSaves(IFileOps& files)
{
    const std::string target = OptionFile();
    if (!files.Exists(target))
        return;
    for (const std::string& temp : LeftoverTempFiles(files, target))
        files.Remove(temp);  // one left now goes at the next save
}

Outcome SaveOptionFile(const CRegistry& record, IFileOps& files)
{
    // A file refused at start-up (a link out of the game folder) is not
    // replaced; one read only in part would lose what was not read.
    const Outcome& read = record.optionFileRead;
    if (read.kind == Outcome::kRefused)
        return read;
    if (!read && read.kind != Outcome::kMissing)
        return Outcome::NotReadWhole();
    try {
        return PutInPlace(files, OptionFile(), ComposeOptionFile(record));
    } catch (const std::bad_alloc&) {
        // Too large to compose: the old file stays.
        return Outcome::Failed(kOutOfMemoryCode);
    }
}
