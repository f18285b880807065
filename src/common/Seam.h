// Where the tool meets the platform: files, the registry, the display drivers.
// Each seam is an interface whose platform implementation is defined in the
// seam's platform file; tests put a double in its place for a scope.
#pragma once

template <class Interface>
class Seam {
public:
    // The platform's own implementation; one definition per seam and platform.
    static Interface& Platform();
    // The implementation in use: an override, or the platform's.
    static Interface& Current() { return s_override ? *s_override : Platform(); }

    // Puts `replacement` in place for the life of the object; overrides nest.
    class Override {
    public:
        explicit Override(Interface& replacement) : m_previous(s_override) { s_override = &replacement; }
        ~Override() { s_override = m_previous; }
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        Interface* m_previous;
    };

private:
    static inline Interface* s_override = nullptr;
};
