#include "settings/RegistryApi.h"

#ifndef _WIN32
#include "settings/MemoryRegistry.h"

IRegistryApi& PlatformRegistryApi()
{
    // No registry here: the values live for the life of the process.
    static MemoryRegistry store;
    return store;
}
#endif

namespace {
IRegistryApi* g_override = nullptr;
}

IRegistryApi& CurrentRegistryApi()
{
    return g_override ? *g_override : PlatformRegistryApi();
}

ScopedRegistryApi::ScopedRegistryApi(IRegistryApi& api) : m_previous(g_override)
{
    g_override = &api;
}

ScopedRegistryApi::~ScopedRegistryApi()
{
    g_override = m_previous;
}
