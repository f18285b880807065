#include "framework/Afx.h"

#include "system/SystemLibrary.h"

namespace {

unsigned g_callbackFailures = 0;

// A function of a library that is already loaded, as the type it has.
template <typename Function>
void Resolve(HMODULE library, const char* name, Function& function)
{
    function = LibraryFunction<Function>(library, name);
}

AfxCommonControls LoadCommonControls()
{
    AfxCommonControls controls = {};
    // Wine's comctl32 loads msimg32 by name on its first drawing, through a
    // delayed import that ignores the process's search restriction; loaded
    // here first, that name finds this copy.
    AfxLoadSystemLibrary("msimg32.dll");
    HMODULE library = LoadCommonControlsLibrary();
    Resolve(library, "InitCommonControlsEx", controls.InitCommonControlsEx);
    Resolve(library, "PropertySheetA", controls.PropertySheetA);
    Resolve(library, "SetWindowSubclass", controls.SetWindowSubclass);
    Resolve(library, "RemoveWindowSubclass", controls.RemoveWindowSubclass);
    Resolve(library, "DefSubclassProc", controls.DefSubclassProc);
    if (!controls.InitCommonControlsEx || !controls.PropertySheetA || !controls.SetWindowSubclass ||
        !controls.RemoveWindowSubclass || !controls.DefSubclassProc)
        controls = AfxCommonControls{};
    return controls;
}

}  // namespace

void AfxRestrictLibrarySearch()
{
    RestrictLibrarySearch(GetModuleHandleA("kernel32.dll"));
}

HMODULE AfxLoadSystemLibrary(const char* name)
{
    return LoadSystemLibrary(name);
}

const AfxCommonControls& AfxGetCommonControls()
{
    static const AfxCommonControls controls = LoadCommonControls();
    return controls;
}

HINSTANCE AfxGetInstanceHandle()
{
    return GetModuleHandleA(nullptr);
}

HINSTANCE AfxFindResourceHandle(LPCSTR /*name*/, LPCSTR /*type*/)
{
    // Everything is linked into the one module; there are no resource DLLs.
    return AfxGetInstanceHandle();
}

void AfxInitCommonControls()
{
    static bool done = false;
    if (done)
        return;
    const AfxCommonControls& library = AfxGetCommonControls();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    done = library.InitCommonControlsEx && library.InitCommonControlsEx(&controls) != FALSE;
}

void AfxNoteCallbackFailure()
{
    ++g_callbackFailures;
}

unsigned AfxGetCallbackFailureCount()
{
    return g_callbackFailures;
}
