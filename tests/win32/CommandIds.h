// The Option page's boxes in the order of their switches in commandFlags.
#pragma once

#include "resource.h"
#include "settings/Registry.h"

constexpr int kCommandIds[kCommandCount] = {
    IDC_CMD_NOTRADE,   IDC_CMD_NOSHIFT,  IDC_CMD_NOCTRL,    IDC_CMD_SKILLFAIL, IDC_CMD_NOTALKMSG, IDC_CMD_NOTALKMSG2,
    IDC_CMD_SHOWNAME,  IDC_CMD_FOG,      IDC_CMD_AURA,      IDC_CMD_WINDOW,    IDC_CMD_MISS,      IDC_CMD_EFFECT,
    IDC_CMD_SHOPPING,  IDC_CMD_STATEINFO, IDC_CMD_LOGINOUT, IDC_CMD_SNAP,      IDC_CMD_ITEMSNAP,  IDC_CMD_CAMERA,
    IDC_CMD_HOAI,      IDC_CMD_MERAI,    IDC_CMD_LIGHTMAP};
