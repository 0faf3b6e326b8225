#pragma once
// Helpers of the WMI job tests: values made from hand-built VARIANTs, rows made of them, and a
// result file that a job writes into, read back as an outline of its tree elements.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <tinyxml.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix::Testing {

// ---------------------------------------------------------------- values

inline WMIValue Str(const std::wstring& text) {
    UniqueVariant value;
    value.Put()->vt = VT_BSTR;
    (&value)->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return WMIValue(value.Get());
}

inline WMIValue I4(LONG number) {
    UniqueVariant value;
    value.Put()->vt = VT_I4;
    (&value)->lVal = number;
    return WMIValue(value.Get());
}

inline WMIValue Bool(VARIANT_BOOL flag) {
    UniqueVariant value;
    value.Put()->vt = VT_BOOL;
    (&value)->boolVal = flag;
    return WMIValue(value.Get());
}

inline WMIValue Null() {
    UniqueVariant value;
    value.Put()->vt = VT_NULL;
    return WMIValue(value.Get());
}

inline WMIValue StrArray(const std::vector<std::wstring>& texts) {
    UniqueVariant value;
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
        UniqueBstr element(SysAllocString(texts[static_cast<std::size_t>(i)].c_str()));
        SafeArrayPutElement(array, &i, element.Get());  // the array keeps a copy
    }
    value.Put()->vt = VT_ARRAY | VT_BSTR;
    (&value)->parray = array;
    return WMIValue(value.Get());
}

inline WMIRow Row(std::initializer_list<std::pair<const wchar_t*, WMIValue>> properties) {
    WMIRow row;
    for (const auto& [name, value] : properties)
        row[name] = value;
    return row;
}

// ---------------------------------------------------------------- written elements

inline std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

// One line per "TreeElement": two blanks per level, then "type|showNumOfChildren|value".
inline void Outline(const TiXmlElement* node, int depth, std::vector<std::string>& lines) {
    for (const TiXmlElement* element = node->FirstChildElement("TreeElement"); element;
         element = element->NextSiblingElement("TreeElement")) {
        const TiXmlElement* value = element->FirstChildElement("Value");
        const char* type = element->Attribute("type");
        const char* show = element->Attribute("showNumOfChildren");
        lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + (type ? type : "?") + "|" +
                        (show ? show : "?") + "|" + (value && value->GetText() ? value->GetText() : ""));
        Outline(element, depth + 1, lines);
    }
}

class WmiResultTest : public ResultFolderTest {
protected:
    // Runs `write` with a writer on a fresh result file (level "A", so the elements stand in
    // "ResultSet"), checks that it left no element open and that the file is well-formed, and
    // loads the file into `document`. Returns the outline of the "ResultSet".
    std::vector<std::string> Written(const std::function<void(ResultFileWriter&)>& write) {
        const std::wstring fileName = L"Job" + std::to_wstring(++files) + L".xml";
        {
            ResultFileWriter writer(nullptr);
            writer.SetDirectory(data);
            writer.Open(fileName, L"stylesheet\\stylesheet.xslt", L"General", L"", L"", L"");
            write(writer);
            EXPECT_EQ(2, writer.GetDepth()) << "the job left elements open";
            writer.CloseDocument();
        }
        WellFormedBytes(fileName);
        document = TiXmlDocument();
        FILE* file = _wfopen(DataFile(fileName).c_str(), L"rb");
        EXPECT_NE(nullptr, file);
        std::vector<std::string> lines;
        if (!file)
            return lines;
        // Blanks at the end of a caption ("Volume name: ") are part of what is checked.
        const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
        TiXmlBase::SetCondenseWhiteSpace(false);
        document.LoadFile(file);
        TiXmlBase::SetCondenseWhiteSpace(condensed);
        fclose(file);
        if (const TiXmlElement* set = ResultSet())
            Outline(set, 0, lines);
        return lines;
    }

    // Collects the job into a fresh result file.
    std::vector<std::string> Collected(IJobItem& job) {
        return Written([&](ResultFileWriter& writer) {
            job.writer = &writer;
            job.Collect();
        });
    }

    const TiXmlElement* ResultSet() const {
        const TiXmlElement* root = document.RootElement();
        return root ? root->FirstChildElement("ResultSet") : nullptr;
    }

    TiXmlDocument document;
    int files = 0;
};

} // namespace Gathrix::Testing
