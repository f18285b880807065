// The setup tool's application: start-up, the modal sheet, the saves, shutdown.
#pragma once

#include <string>

#include "framework/WinApp.h"
#include "settings/Sequence.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    const AFX_MSGMAP* GetMessageMap() const override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    // The application holds no data, so the steps are static. Each hands the
    // process-wide objects (the settings record, the registry, the files, the
    // display drivers, the script host) to the core's sequence.

    // Where the tool looked for the game folder, the folder that holds the
    // game's scripts.
    struct FolderSearch {
        bool found;
        std::wstring current;
        std::wstring own;
        unsigned long enterError;  // the executable's folder holds the game but could not be entered
    };
    // Before anything is read: the current folder when it is the game
    // folder, otherwise `ownFolder` (the executable's), made current, when
    // that is.
    static FolderSearch EnterGameFolder(const std::wstring& ownFolder);
    static std::wstring OwnFolder();
    static std::wstring NoGameFolderText(const FolderSearch& search);

    // Start-up's reading steps; false when the settings record cannot be created.
    static bool StartUp();
    // The three saves, in their order, when the user confirmed; all landed otherwise.
    static SaveResult SaveIfConfirmed();
    // After the sheet has closed: one message box naming each part of the
    // save that did not land.
    static void ReportFailedSave(const SaveResult& result);
    // Shutdown steps before the framework's ExitInstance.
    static void ShutDown();

    // Exit codes of a start that could not show the sheet, and of a run in
    // which a window callback failed (its work may be undone); 0 otherwise.
    static constexpr int kExitNoWindow = 2;
    static constexpr int kExitNoStart = 3;
    static constexpr int kExitWindowFault = 4;
    static constexpr int kExitNoGameFolder = 5;
    static const char kNoCommonControlsText[];
    static const char kNoSheetText[];

private:
    int exitCode = 0;
};
