/* A program written before UAC, as the game is: no manifest, so Windows
   virtualizes its writes to a protected folder and to HKLM\Software when it
   runs without elevation. The check program carries it and starts it in its
   game folder. argv[1] is the line it writes before its value. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    HKEY key;
    DWORD zero = 0;
    FILE* file;
    CreateDirectoryA("savedata", NULL);
    file = fopen("savedata\\OptionInfo.lua", "wb");
    if (!file)
        return 2;
    fprintf(file, "%s\r\nOptionInfoList[\"Bgm_Volume\"] = 33\r\n", argc > 1 ? argv[1] : "CheckLine = 1");
    if (fclose(file) != 0)
        return 2;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\KestruneSetupCheck\\Morvane Soft\\Kestrune", 0, NULL, 0,
                        KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return 3;
    RegSetValueExA(key, "SOUNDMODE", 0, REG_DWORD, (const BYTE*)&zero, sizeof zero);
    RegCloseKey(key);
    return 0;
}
