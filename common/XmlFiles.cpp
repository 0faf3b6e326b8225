#include "common/XmlFiles.h"

#include "common/TextUtils.h"

#include <tinyxml.h>

#include <cstdio>
#include <memory>

namespace Gathrix::Utils {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

bool IsXmlCharacter(wchar_t unit) {
    if (unit < 0x20)
        return unit == L'\t' || unit == L'\n' || unit == L'\r';
    return unit != 0xFFFE && unit != 0xFFFF;
}

} // namespace

std::string ToXmlUtf8(const std::wstring& text) {
    std::wstring clean(text);
    for (wchar_t& unit : clean) {
        if (!IsXmlCharacter(unit))
            unit = 0xFFFD;
    }
    return ToUtf8(clean);
}

bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, bool keepWhiteSpace) {
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    if (!file)
        return false;
    // The library's white-space switch is global; the configuration reader relies on its default.
    const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(!keepWhiteSpace);
    const bool loaded = document.LoadFile(file.get());
    TiXmlBase::SetCondenseWhiteSpace(condensed);
    return loaded;
}

bool SaveXmlFile(const TiXmlDocument& document, const std::wstring& path) {
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    if (!file)
        return false;
    // The library prints in many small pieces; a large buffer saves most of the write calls.
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
    const bool printed = document.SaveFile(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    return printed && closed;
}

} // namespace Gathrix::Utils
