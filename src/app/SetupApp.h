// The setup tool's application: start-up, the modal sheet, the saves, shutdown.
#pragma once

#include <string>

#include "framework/WinApp.h"
#include "settings/SaveData.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    const AFX_MSGMAP* GetMessageMap() const override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    // The application holds no data, so the steps are static. Each one hands
    // the process-wide objects (the settings record, the registry, the files,
    // the display drivers, the script host) to the core.

    // Start-up steps 1 to 6; false when the settings record cannot be created.
    static bool StartUp();
    // The three saves, in their order, when the user confirmed.
    static void SaveIfConfirmed();
    // After the sheet has closed: tells the player when the confirmed save of
    // the option file did not land, with one message box.
    static void ReportFailedSave();
    // That box's text; empty for an outcome the player is not told about.
    static std::string FailedSaveText(const SaveOutcome& outcome);
    // Shutdown steps before the framework's ExitInstance.
    static void ShutDown();

    static bool EnumerateDisplays();
    static void ReadRegistry();
    static void WriteRegistry();
    static void ReadSaveDataLines();
    static void ApplySavedOptions();
    static void WritePreservedLines();
    static void AppendOptionLines();

    // What the last AppendOptionLines did, kept for ReportFailedSave.
    static SaveOutcome optionFileSave;
};
