#include "settings/MemoryRegistry.h"

// No registry here: the values live for the life of the process.
template <>
IRegistryApi& RegistrySeam::Platform()
{
    static MemoryRegistry store;
    return store;
}

IRegistryApi* VirtualRegistry()
{
    return nullptr;
}

IRegistryApi* PlayerVirtualRegistry(const std::string&)
{
    return nullptr;
}

std::unique_ptr<IRegistryApi> RegistryBelow(const std::string&, bool)
{
    return nullptr;
}
