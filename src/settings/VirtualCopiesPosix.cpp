#include "settings/VirtualCopies.h"

// Nothing here virtualizes a program's writes.
VirtualCopies VirtualCopies::Current()
{
    return VirtualCopies{};
}
