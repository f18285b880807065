#include "framework/PageTemplate.h"

#include <cstring>

namespace {

// Reads a dialog template without trusting its contents: every step checks
// that it stays inside the resource.
class TemplateReader {
public:
    TemplateReader(const void* data, size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}

    size_t Offset() const { return m_offset; }
    bool Skip(size_t bytes)
    {
        if (bytes > m_size - m_offset)
            return false;
        m_offset += bytes;
        return true;
    }
    bool Word(WORD& value)
    {
        if (sizeof(WORD) > m_size - m_offset)
            return false;
        std::memcpy(&value, m_data + m_offset, sizeof(WORD));
        m_offset += sizeof(WORD);
        return true;
    }
    // A NUL-terminated UTF-16 string.
    bool String(std::wstring* text = nullptr)
    {
        for (WORD unit = 0;;) {
            if (!Word(unit))
                return false;
            if (unit == 0)
                return true;
            if (text)
                text->push_back(static_cast<wchar_t>(unit));
        }
    }
    // A menu or class field: empty, an ordinal or a string.
    bool NameOrOrdinal()
    {
        WORD first = 0;
        if (!Word(first))
            return false;
        if (first == 0)
            return true;
        if (first == 0xFFFF)
            return Skip(sizeof(WORD));
        return String();
    }
    bool AlignToDword() { return Skip((4 - m_offset % 4) % 4); }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

constexpr size_t kExHeaderSize = 26;        // dlgVer .. cy
constexpr size_t kExStyleOffset = 12;
constexpr size_t kExFontFixedSize = 6;      // pointsize, weight, italic, charset
constexpr size_t kOldHeaderSize = 18;       // style .. cy

struct FontPlace {
    size_t start;        // offset of the point size
    size_t itemsStart;   // offset of the first control
    DialogFont font;
};

bool FindFont(const void* source, size_t size, FontPlace& place)
{
    TemplateReader reader(source, size);
    WORD version = 0;
    WORD signature = 0;
    if (!reader.Word(version) || !reader.Word(signature))
        return false;
    const bool extended = version == 1 && signature == 0xFFFF;
    DWORD style = 0;
    const size_t styleOffset = extended ? kExStyleOffset : 0;
    if (size < styleOffset + sizeof(style))
        return false;
    std::memcpy(&style, static_cast<const unsigned char*>(source) + styleOffset, sizeof(style));
    TemplateReader body(source, size);
    if (!body.Skip(extended ? kExHeaderSize : kOldHeaderSize) || !body.NameOrOrdinal() || !body.NameOrOrdinal() ||
        !body.String())
        return false;
    if (!(style & DS_SETFONT))
        return false;
    place.start = body.Offset();
    if (!body.Word(place.font.pointSize) || !body.Skip(extended ? kExFontFixedSize - sizeof(WORD) : 0) ||
        !body.String(&place.font.face) || !body.AlignToDword())
        return false;
    place.itemsStart = body.Offset();
    return true;
}

void Append(std::vector<unsigned char>& bytes, const void* data, size_t size)
{
    const unsigned char* begin = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
}

}  // namespace

DialogFont AfxGetPropSheetFont(bool* fromPlatform)
{
    // The platform's own sheet template is dialog 1006 of comctl32.
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    HRSRC found = comctl ? FindResourceA(comctl, MAKEINTRESOURCEA(1006), RT_DIALOG) : nullptr;
    HGLOBAL loaded = found ? LoadResource(comctl, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    FontPlace place;
    const bool read = data && FindFont(data, SizeofResource(comctl, found), place) && !place.font.face.empty();
    if (fromPlatform)
        *fromPlatform = read;
    return read ? place.font : DialogFont{L"MS Shell Dlg", 8};
}

bool AfxReplaceTemplateFont(const void* source, size_t size, const DialogFont& font, std::vector<DWORD>& out)
{
    if (!source || size < kExHeaderSize)
        return false;
    WORD header[2];
    std::memcpy(header, source, sizeof(header));
    if (header[0] != 1 || header[1] != 0xFFFF)
        return false;
    FontPlace place;
    if (!FindFont(source, size, place))
        return false;

    const unsigned char* bytes = static_cast<const unsigned char*>(source);
    std::vector<unsigned char> copy;
    Append(copy, bytes, place.start);
    Append(copy, &font.pointSize, sizeof(WORD));
    Append(copy, bytes + place.start + sizeof(WORD), kExFontFixedSize - sizeof(WORD));
    for (wchar_t unit : font.face) {
        const WORD value = static_cast<WORD>(unit);
        Append(copy, &value, sizeof(value));
    }
    const WORD terminator = 0;
    Append(copy, &terminator, sizeof(terminator));
    copy.resize((copy.size() + 3) / 4 * 4, 0);
    // The controls are DWORD-aligned blocks: they move as a whole.
    Append(copy, bytes + place.itemsStart, size - place.itemsStart);

    out.assign((copy.size() + 3) / 4, 0);
    std::memcpy(out.data(), copy.data(), copy.size());
    return true;
}
