// The tool's own start-up and save, run by tests of the option file on the
// current file seam and the process-wide script host, with a registry in
// memory and no display driver; and what such tests look at.
#pragma once

#include <set>
#include <string>

#include "display/DisplaySource.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/Sequence.h"

class SaveRun {
public:
    SetupParts Parts();
    // Start-up on a new record; an earlier one is shut down first.
    CRegistry& StartUp();
    // The confirmed save of the current record.
    SaveResult Save();

    MemoryRegistry registry;
    VirtualCopies virtualCopies;
    // The steps' files when set; the file seam's otherwise (the script host
    // always reads through the seam).
    IFileOps* files = nullptr;

private:
    class NoDrivers : public DisplayDriverSource {
    public:
        void EnumerateDrivers(DisplayEnumeration*) override {}
        DisplayDriver* Open(const GUID*) override { return nullptr; }
    };
    NoDrivers m_displays;
};

// Every file and folder under `root`, as paths relative to it.
std::set<std::string> ListTree(const std::string& root);

// A bare settings record, before any step reads a value: setting names
// ready, modeList as at program start. Destroys any earlier record; null
// when none could be made.
CRegistry* StartFreshRecord();

// Changes a few values, so a new file differs from the one it replaces.
void EditSettings(CRegistry& record);
