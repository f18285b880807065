// Real processes saving the option file at once, and killed while saving.
//   save_stress race SAVES   two writers save SAVES times each while this
//                            process reads the file without pause
//   save_stress kill KILLS   a writer killed at a random point of its save
//                            loop, KILLS times; then one undisturbed save
// Every read must be one whole save; the folder must end with the option
// file alone. Prints its counts; exits non-zero on any loss.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "common/FileOps.h"
#include "common/Path.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "support/FaultyFileOps.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

constexpr int kForeignLines = 200;
const char kOptionFile[] = "savedata\\OptionInfo.lua";

// Save `save` of writer `writer`: its own foreign lines and values.
std::string SaveBytes(CRegistry& record, int writer, int save)
{
    record.preservedLines.clear();
    for (int j = 0; j < kForeignLines; ++j)
        record.preservedLines.push_back("Writer" + std::to_string(writer) + "Line" + std::to_string(j) + " = " +
                                        std::to_string(save));
    record.width = writer;
    record.bgmVolume = save;
    record.commandFlags[kCommandCount - 1] = save % 2;
    return ComposeOptionFile(record);
}

// The writer and save number of `bytes` when it is exactly one whole save.
bool WholeSave(CRegistry& record, const std::string& bytes, int& writer, int& save)
{
    if (std::sscanf(bytes.c_str(), "Writer%dLine0 = %d", &writer, &save) != 2)
        return false;
    return bytes == SaveBytes(record, writer, save);
}

// The platform's file operations, counting the replaces that failed.
class CountingFileOps : public FaultyFileOps {
public:
    int failedReplaces = 0;
    Outcome Replace(const std::string& source, const std::string& target) override
    {
        const Outcome done = FaultyFileOps::Replace(source, target);
        failedReplaces += done ? 0 : 1;
        return done;
    }
};

CountingFileOps g_files;

// The tool's confirmed save of `record`, the process-wide one, through g_files.
void Save(CRegistry& record, int writer, int save)
{
    static SaveRun tool;
    SaveBytes(record, writer, save);
    FileSeam::Override scope(g_files);
    tool.Save();
}

int Writer(int writer, int saves)
{
    CRegistry& record = *CRegistry::Instance();
    for (int i = 0; saves == 0 || i < saves; ++i)
        Save(record, writer, i);
    return g_files.failedReplaces;
}

#ifdef _WIN32
typedef HANDLE Process;

Process Spawn(const std::string& args)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
    std::string command = "\"" + std::string(self) + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

bool Running(Process p)
{
    return WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
}

void Kill(Process p)
{
    TerminateProcess(p, 9);
}

int Wait(Process p)
{
    WaitForSingleObject(p, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    return static_cast<int>(code);
}
#else
typedef pid_t Process;

Process Spawn(const std::string& args)
{
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "save_stress", "--args", args.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child > 0 ? child : 0;
}

bool Running(Process p)
{
    int status = 0;
    return waitpid(p, &status, WNOHANG) == 0;
}

void Kill(Process p)
{
    kill(p, SIGKILL);
}

int Wait(Process p)
{
    int status = 0;
    waitpid(p, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
#endif

std::string ReadOptionFile(Outcome& result)
{
    std::string bytes;
    result = FileSeam::Current().ReadAll(NativePath(kOptionFile), bytes);
    return bytes;
}

// Everything in "savedata" besides the option file.
int Litter()
{
    int count = 0;
    std::vector<std::string> names;
    FileSeam::Current().List(NativePath("savedata"), names);
    for (const std::string& name : names)
        if (name != "." && name != ".." && name != "OptionInfo.lua")
            ++count;
    return count;
}

int Race(CRegistry& record, const std::string& folder, int saves)
{
    Process writers[2] = {Spawn(folder + " 1 " + std::to_string(saves)),
                          Spawn(folder + " 2 " + std::to_string(saves))};
    if (!writers[0] || !writers[1])
        return std::printf("race: cannot start the writers\n"), 1;
    long reads = 0, torn = 0;
    while (Running(writers[0]) || Running(writers[1])) {
        Outcome result;
        const std::string bytes = ReadOptionFile(result);
        int writer = 0, save = 0;
        ++reads;
        if (!result || !WholeSave(record, bytes, writer, save))
            ++torn;
    }
    // Each writer's exit code is the number of its saves that did not land.
    const int failed = Wait(writers[0]) + Wait(writers[1]);
    Outcome result;
    int writer = 0, save = 0;
    const bool lastWhole = WholeSave(record, ReadOptionFile(result), writer, save) && save == saves - 1;
    const int litter = Litter();
    std::printf("race: 2 writers x %d saves, %d did not land, %ld reads, %ld not one whole save, last save %s, "
                "%d stray files\n",
                saves, failed, reads, torn, lastWhole ? "whole" : "NOT WHOLE", litter);
    return failed || torn || !lastWhole || litter ? 1 : 0;
}

int Kills(CRegistry& record, const std::string& folder, int kills)
{
    std::mt19937 random(12345);
    long losses = 0, midSave = 0;
    for (int k = 0; k < kills; ++k) {
        const int id = 10 + k;
        Process writer = Spawn(folder + " " + std::to_string(id) + " 0");
        if (!writer)
            return std::printf("kill: cannot start a writer\n"), 1;
        // Once the writer's first save is in place, let it run a random while.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int writerSeen = 0, save = 0;
        Outcome result;
        while (std::chrono::steady_clock::now() < deadline &&
               !(WholeSave(record, ReadOptionFile(result), writerSeen, save) && writerSeen == id))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        Kill(writer);
        Wait(writer);
        if (writerSeen != id)
            return std::printf("kill: writer %d never saved\n", id), 1;
        if (!WholeSave(record, ReadOptionFile(result), writerSeen, save))
            ++losses;
        // A kill inside a save leaves its temporary file; the next writer's save removes it.
        midSave += Litter() > 0 ? 1 : 0;
    }
    const int leftBefore = Litter();
    Save(record, 1, 1);
    Outcome result;
    int writer = 0, save = 0;
    const bool whole = WholeSave(record, ReadOptionFile(result), writer, save) && writer == 1;
    const int leftAfter = Litter();
    std::printf("kill: %d kills (%ld inside a save), %ld files not whole after a kill, "
                "%d stray files before one undisturbed save, %d after it\n",
                kills, midSave, losses, leftBefore, leftAfter);
    return losses || !whole || leftAfter ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CRegistry* fresh = StartFreshRecord();
    if (!fresh)
        return 1;
    CRegistry& record = *fresh;
    std::string mode = argc > 1 ? argv[1] : "";
#ifndef _WIN32
    // A child gets its arguments as one string, as on Windows.
    std::string joined;
    if (mode == "--args" && argc > 2) {
        joined = argv[2];
        char folder[4096], count[32], writer[32];
        if (std::sscanf(joined.c_str(), "%4095s %31s %31s", folder, writer, count) != 3)
            return 2;
        return chdir(folder) == 0 ? Writer(std::atoi(writer), std::atoi(count)) : 2;
    }
#else
    if (argc == 4) {
        SetCurrentDirectoryA(argv[1]);
        return Writer(std::atoi(argv[2]), std::atoi(argv[3]));
    }
#endif
    if (argc != 3 || (mode != "race" && mode != "kill"))
        return std::printf("usage: save_stress race SAVES | kill KILLS\n"), 2;
    TempGameDir dir;
    dir.WriteFile("savedata/OptionInfo.lua", SaveBytes(record, 0, 0));
    const int count = std::atoi(argv[2]);
    return mode == "race" ? Race(record, dir.Path(), count) : Kills(record, dir.Path(), count);
}
