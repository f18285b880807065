// A DLL planted in the game folder. Loaded, it leaves "<its own path>.ran"
// beside itself. It exports DirectDraw's two entries, so that a copy named
// ddraw.dll satisfies an import of them.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcatA(path, ".ran");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DirectDrawEnumerateExA(void*, void*, DWORD)
{
    return E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DirectDrawCreateEx(void*, void**, const void*, void*)
{
    return E_FAIL;
}
