#include "display/DisplaySource.h"

namespace {

DisplayDriverSource* s_override = nullptr;

#ifndef _WIN32
// Without DirectX there are no drivers; tests install a scripted source.
class NoDisplayDrivers final : public DisplayDriverSource {
public:
    void EnumerateDrivers() override {}
    DisplayDriver* Open(const GUID*) override { return nullptr; }
};
#endif

}  // namespace

#ifndef _WIN32
DisplayDriverSource& DefaultDisplayDriverSource()
{
    static NoDisplayDrivers none;
    return none;
}
#endif

DisplayDriverSource& GetDisplayDriverSource()
{
    return s_override ? *s_override : DefaultDisplayDriverSource();
}

DisplayDriverSource* SetDisplayDriverSource(DisplayDriverSource* source)
{
    DisplayDriverSource* previous = s_override;
    s_override = source;
    return previous;
}
