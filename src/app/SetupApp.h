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
    // After the sheet has closed: tells the player, with one message box,
    // when a part of the confirmed save did not land.
    static void ReportFailedSave();
    // That box's text for what the registry write and the option file's save
    // did; empty when the player is not told.
    static std::string FailedSaveText(long registryCode, const SaveOutcome& optionFile);
    // Shutdown steps before the framework's ExitInstance.
    static void ShutDown();

    static bool EnumerateDisplays();
    static void ReadRegistry();
    static void WriteRegistry();
    static void ReadSaveDataLines();
    static void ApplySavedOptions();
    static void WritePreservedLines();
    static void AppendOptionLines();

    // Exit codes of a start that could not show the sheet; 0 otherwise.
    static constexpr int kExitNoWindow = 2;
    static constexpr int kExitNoStart = 3;
    static const char kNoCommonControlsText[];
    static const char kNoSheetText[];

    // What the last WriteRegistry and AppendOptionLines did, kept for
    // ReportFailedSave.
    static long registrySave;
    static SaveOutcome optionFileSave;

private:
    int exitCode = 0;
};
