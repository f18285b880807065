// The save-data option file: foreign lines are kept, the tool's 34 lines are
// rewritten. The new file is built beside the old one and put in its place in
// one step, so a failure at any point leaves the player's file as it was.
#include <cstring>
#include <new>
#include <string>

#include "settings/SaveData.h"

#include "common/FileOps.h"
#include "common/OutputFile.h"
#include "common/Path.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

namespace {

constexpr int kOptionCount = 11;     // setting names 0 to 10
constexpr int kScriptSettings = 34;  // setting names 0 to 33
constexpr const char* kWritePath = "savedata\\OptionInfo.lua";
constexpr const char* kTempSuffix = ".new";

// The field behind setting name `index` (0 to 33).
int32_t& SettingField(CRegistry& record, int index)
{
    int32_t* const options[kOptionCount] = {
        &record.bgmVolume, &record.effectVolume, &record.mouseExclusive, &record.fullScreen,
        &record.width, &record.height, &record.bitsPerPixel, &record.deviceIndex,
        &record.modeIndex, &record.spriteMode, &record.textureMode,
    };
    if (index < kOptionCount)
        return *options[index];
    if (index == kNameBgmOn)
        return record.bgmOn;
    if (index == kNameSoundOn)
        return record.soundOn;
    return record.commandFlags[index - kNameFirstCommand];
}

// Tested on the line up to its first NUL byte, the part that is written back,
// so a kept line stays kept after the next save.
bool IsOwnLine(const std::string& line)
{
    const char* text = line.c_str();
    if (std::strstr(text, GetSettingName(kNameCommandTable)))
        return true;
    for (int i = 0; i < kOptionCount; ++i)
        if (std::strstr(text, GetSettingName(i)))
            return true;
    return *text == '\0';
}

// The new file while it is being written.
class PendingFile : public IOutputFile {
public:
    bool Start(IFileOps& ops, const std::vector<std::string>& keptLines)
    {
        Abandon();
        m_ops = &ops;
        m_target = NativePath(kWritePath);
        m_temp = m_target + kTempSuffix;
        m_file = ops.Create(m_temp);
        m_ok = m_file != nullptr;
        for (const std::string& line : keptLines) {
            Write(line.c_str(), std::strlen(line.c_str()));  // up to a NUL byte, if the line holds one
            Write("\r\n", 2);
        }
        if (!m_ok)
            Abandon();
        return m_ok;
    }

    bool Started() const { return m_file != nullptr; }

    void Write(const void* data, size_t size) override
    {
        if (m_ok && !m_ops->Write(m_file, data, size))
            m_ok = false;
    }

    // Flushes, closes and puts the new file in place; on any failure removes it.
    void Commit()
    {
        IFileOps& ops = *m_ops;
        bool ok = m_ok && ops.Flush(m_file);
        ok = ops.Close(m_file) && ok;
        m_file = nullptr;
        if (!ok || !ops.Replace(m_temp, m_target))
            ops.Remove(m_temp);
        m_ok = false;
    }

    void Abandon()
    {
        if (!m_file)
            return;
        IFileOps& ops = *m_ops;
        ops.Close(m_file);
        ops.Remove(m_temp);
        m_file = nullptr;
        m_ok = false;
    }

private:
    IFileOps* m_ops = nullptr;
    IFileOps::Handle m_file = nullptr;
    bool m_ok = false;
    std::string m_target;
    std::string m_temp;
};

PendingFile& Pending()
{
    static PendingFile file;
    return file;
}

void KeepForeignLines(CRegistry& record, IFileOps& files)
{
    std::string bytes;
    // A read error keeps the lines read before it.
    files.ReadAll(NativePath(std::string(GetSettingName(kNameSavedScript)) + ".lua"), bytes);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        else if (end > start && bytes[end - 1] == '\r')
            --end;
        std::string line = bytes.substr(start, end - start);
        if (!IsOwnLine(line))
            record.preservedLines.push_back(std::move(line));
        start = next;
    }
}

}  // namespace

void ReadSaveDataLines(CRegistry& record, IFileOps& files)
{
    const size_t keptBefore = record.preservedLines.size();
    try {
        KeepForeignLines(record, files);
    } catch (const std::bad_alloc&) {
        // A file too large to hold counts as unreadable.
        record.preservedLines.resize(keptBefore);
    }
}

void ApplySavedOptions(CRegistry& record, CLuaHost& host)
{
    for (int i = 0; i < kScriptSettings; ++i) {
        int32_t& field = SettingField(record, i);
        field = i < kOptionCount ? host.GetSavedOption(GetSettingName(i), field)
                                 : host.GetSavedCommand(GetSettingName(i), field);
    }
}

void WritePreservedLines(const CRegistry& record, IFileOps& files)
{
    Pending().Start(files, record.preservedLines);
}

void AppendOptionLines(const CRegistry& record, IFileOps& files)
{
    PendingFile& file = Pending();
    // When the kept lines could not be started, try once more with the whole file.
    if (!file.Started() && !file.Start(files, record.preservedLines))
        return;
    for (int i = 0; i < kOptionCount; ++i)
        CLuaHost::WriteOptionEntry(file, GetSettingName(i), SettingField(const_cast<CRegistry&>(record), i));
    file.Write("\r\n", 2);
    for (int i = kOptionCount; i < kScriptSettings; ++i)
        CLuaHost::WriteCommandEntry(file, GetSettingName(i), SettingField(const_cast<CRegistry&>(record), i));
    file.Commit();
}
