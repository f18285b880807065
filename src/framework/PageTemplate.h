// Page templates take the sheet's font, as the framework does for every
// property page: the sheet lays out its page area in its own font, so a page
// built in a larger one would be cut off.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct DialogFont {
    std::wstring face;
    WORD pointSize;
};

// The font of the platform's property-sheet template; "MS Shell Dlg" 8 when
// it cannot be read, and then `fromPlatform`, if given, is set false.
DialogFont AfxGetPropSheetFont(bool* fromPlatform = nullptr);

// A copy of the extended dialog template `source` with its font face and
// size replaced (weight, italic and character set kept). False, with `out`
// untouched, for a template that is not an extended one with a font or whose
// header runs past its end.
bool AfxReplaceTemplateFont(const void* source, size_t size, const DialogFont& font, std::vector<DWORD>& out);
