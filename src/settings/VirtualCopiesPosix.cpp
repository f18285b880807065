#include "settings/VirtualCopies.h"

// Nothing here virtualizes a program's writes.
ISystemFolders* PlatformSystemFolders()
{
    return nullptr;
}

VirtualCopies VirtualCopies::Current()
{
    return VirtualCopies{};
}
