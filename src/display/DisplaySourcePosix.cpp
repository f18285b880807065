#include "display/DisplaySource.h"

namespace {

// Without DirectX there are no drivers; tests put a scripted source in place.
class NoDisplayDrivers final : public DisplayDriverSource {
public:
    void EnumerateDrivers(DisplayEnumeration*) override {}
    DisplayDriver* Open(const GUID*) override { return nullptr; }
};

}  // namespace

template <>
DisplayDriverSource& DisplaySeam::Platform()
{
    static NoDisplayDrivers none;
    return none;
}
