// The process-wide objects, in the order static initialisation must build them:
// the application, then the mode list, then the script host with its Lua state.
// They are destroyed in reverse: the Lua state closes before the application goes.
#include "app/SetupApp.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"

CSetupApp theApp;

namespace {
const bool modeListReady = (ResetModeList(), true);
CLuaHost& luaHost = CLuaHost::Instance();
}  // namespace
