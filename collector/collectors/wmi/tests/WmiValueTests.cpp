#include "collector/collectors/wmi/WmiValue.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Which holders a value has set, by name, in field order.
std::string SetHolders(const WMIValue& value) {
    std::string names;
    auto add = [&names](bool isSet, const char* name) {
        if (isSet)
            names += (names.empty() ? "" : ",") + std::string(name);
    };
    add(value.signedValue.isSet, "signed");
    add(value.unsignedValue.isSet, "unsigned");
    add(value.floatValue.isSet, "float");
    add(value.doubleValue.isSet, "double");
    add(value.stringValue.isSet, "string");
    add(value.boolValue.isSet, "bool");
    add(value.currencyValue.isSet, "currency");
    add(value.errorValue.isSet, "error");
    add(value.decimalValue.isSet, "decimal");
    add(value.dateTimeValue.isSet, "date");
    add(value.nullMarker.isSet, "null");
    add(value.emptyMarker.isSet, "empty");
    add(value.unknownText.isSet, "unknown");
    add(value.signedList.isSet, "signedList");
    add(value.unsignedList.isSet, "unsignedList");
    add(value.floatList.isSet, "floatList");
    add(value.doubleList.isSet, "doubleList");
    add(value.stringList.isSet, "stringList");
    add(value.boolList.isSet, "boolList");
    add(value.currencyList.isSet, "currencyList");
    add(value.errorList.isSet, "errorList");
    add(value.decimalList.isSet, "decimalList");
    add(value.dateTimeList.isSet, "dateList");
    return names;
}

template <class T>
SAFEARRAY* Vector(VARTYPE type, std::initializer_list<T> elements) {
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, static_cast<ULONG>(elements.size()));
    LONG index = 0;
    for (T element : elements) {
        SafeArrayPutElement(array, &index, &element);
        ++index;
    }
    return array;
}

SAFEARRAY* StrArrayVariant(std::initializer_list<const wchar_t*> texts) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    LONG index = 0;
    for (const wchar_t* text : texts) {
        UniqueBstr element(SysAllocString(text));
        SafeArrayPutElement(array, &index, element.Get());  // the array keeps a copy
        ++index;
    }
    return array;
}

// Refuses the element at `refused`, reads every other one with the system's call.
LONG refused = -1;
HRESULT WINAPI RefusingReader(SAFEARRAY* array, LONG* indices, void* element) {
    if (*indices == refused)
        return E_UNEXPECTED;
    return SafeArrayGetElement(array, indices, element);
}

DECIMAL Decimal(BYTE scale, bool negative, ULONG high, ULONGLONG low) {
    DECIMAL number = {};
    number.scale = scale;
    number.sign = negative ? DECIMAL_NEG : 0;
    number.Hi32 = high;
    number.Lo64 = low;
    return number;
}

// The number a DECIMAL holds, its sign and scale included; the first word is not part of it.
std::string DecimalFields(const DECIMAL& number) {
    return std::to_string(number.scale) + (number.sign == DECIMAL_NEG ? " -" : " +") + std::to_string(number.Hi32) +
           ":" + std::to_string(number.Lo64);
}

struct Case {
    const char* what;
    std::function<void(VARIANT&)> make;
    std::wstring text;
    std::string holders;
    std::function<void(const WMIValue&)> check;
};

} // namespace

TEST(WmiValue, ConvertsEachTypeIntoItsTextAndOneHolder) {
    const Case cases[] = {
        {"VT_EMPTY", [](VARIANT& v) { v.vt = VT_EMPTY; }, L"<EMPTY>", "empty", nullptr},
        {"VT_NULL", [](VARIANT& v) { v.vt = VT_NULL; }, L"<NULL>", "null", nullptr},
        {"VT_I2 -5", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -5; }, L"-5", "signed",
         [](const WMIValue& x) { EXPECT_EQ(-5, x.signedValue.value); }},
        {"VT_I4 min", [](VARIANT& v) { v.vt = VT_I4; v.lVal = LONG_MIN; }, L"-2147483648", "signed", nullptr},
        {"VT_I1 -1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = static_cast<CHAR>(-1); }, L"-1", "signed",
         [](const WMIValue& x) { EXPECT_EQ(-1, x.signedValue.value); }},
        {"VT_INT", [](VARIANT& v) { v.vt = VT_INT; v.intVal = 7; }, L"7", "signed", nullptr},
        {"VT_UI1 200", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, L"200", "unsigned",
         [](const WMIValue& x) { EXPECT_EQ(200u, x.unsignedValue.value); }},
        {"VT_UI2 max", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 0xFFFF; }, L"65535", "unsigned",
         [](const WMIValue& x) { EXPECT_EQ(65535u, x.unsignedValue.value); }},
        {"VT_UINT max", [](VARIANT& v) { v.vt = VT_UINT; v.uintVal = 0xFFFFFFFFu; }, L"4294967295", "unsigned",
         [](const WMIValue& x) { EXPECT_EQ(0xFFFFFFFFu, x.unsignedValue.value); }},
        {"VT_UI4 max", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 0xFFFFFFFFu; }, L"4294967295", "unsigned", nullptr},
        {"VT_UI8 max", [](VARIANT& v) { v.vt = VT_UI8; v.ullVal = std::numeric_limits<ULONGLONG>::max(); },
         L"18446744073709551615", "unsigned", nullptr},
        {"VT_R4 0.5", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 0.5f; }, L"0.5", "float", nullptr},
        {"VT_R8 1e10", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 1e10; }, L"1e+10", "double", nullptr},
        {"VT_R8 six digits", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 3.14159265; }, L"3.14159", "double", nullptr},
        {"VT_BSTR", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(L"C:"); }, L"C:", "string",
         [](const WMIValue& x) { EXPECT_EQ(L"C:", x.stringValue.value); }},
        {"VT_BSTR with an embedded NUL",
         [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocStringLen(L"ab\0cd", 5); }, L"ab", "string",
         [](const WMIValue& x) { EXPECT_EQ(L"ab", x.stringValue.value); }},
        {"VT_BSTR null", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, L"", "string", nullptr},
        {"VT_BOOL true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; }, L"true", "bool",
         [](const WMIValue& x) { EXPECT_TRUE(x.boolValue.value); }},
        {"VT_BOOL false", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_FALSE; }, L"false", "bool",
         [](const WMIValue& x) { EXPECT_FALSE(x.boolValue.value); }},
        // Not 0, so true; not VARIANT_TRUE, so its text is "false".
        {"VT_BOOL 1", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = 1; }, L"false", "bool",
         [](const WMIValue& x) { EXPECT_TRUE(x.boolValue.value); }},
        {"VT_ERROR", [](VARIANT& v) { v.vt = VT_ERROR; v.scode = static_cast<SCODE>(0x80070005); },
         L"-2147024891", "error", nullptr},
        {"VT_CY 1.5", [](VARIANT& v) { v.vt = VT_CY; v.cyVal.int64 = 15000; }, L"1.5", "currency",
         [](const WMIValue& x) { EXPECT_EQ(15000, x.currencyValue.value.int64); }},
        // The DECIMAL fills the VARIANT's first word too: the type is set after it.
        {"VT_DECIMAL -12.345",
         [](VARIANT& v) {
             v.decVal = Decimal(3, true, 0, 12345);
             v.vt = VT_DECIMAL;
         },
         L"-12.345", "decimal", [](const WMIValue& x) { EXPECT_EQ("3 -0:12345", DecimalFields(x.decimalValue.value)); }},
        {"VT_DECIMAL 2^64, in the high word",
         [](VARIANT& v) {
             v.decVal = Decimal(0, false, 1, 0);
             v.vt = VT_DECIMAL;
         },
         L"18446744073709551616", "decimal",
         [](const WMIValue& x) { EXPECT_EQ("0 +1:0", DecimalFields(x.decimalValue.value)); }},
        {"VT_DATE", [](VARIANT& v) { v.vt = VT_DATE; v.date = 44153.0 + 75907.0 / 86400.0; }, L"11/18/2020 21:05:07", "date",
         [](const WMIValue& x) { EXPECT_EQ(DateTime::Local, x.dateTimeValue.value.GetKind()); }},
        {"VT_I8", [](VARIANT& v) { v.vt = VT_I8; v.llVal = 5; }, L"<unknown>", "unknown",
         [](const WMIValue& x) { EXPECT_EQ(L"<unknown>", x.unknownText.value); }},
        {"VT_UNKNOWN", [](VARIANT& v) { v.vt = VT_UNKNOWN; v.punkVal = nullptr; }, L"<unknown>", "unknown", nullptr},
        {"VT_BYREF|VT_I4", [](VARIANT& v) { static LONG n = 1; v.vt = VT_BYREF | VT_I4; v.plVal = &n; },
         L"<unknown>", "unknown", nullptr},
        {"VT_ARRAY|VT_INT", [](VARIANT& v) { v.vt = VT_ARRAY | VT_INT; v.parray = Vector<INT>(VT_INT, {1, -2}); },
         L"1; -2", "signedList",
         [](const WMIValue& x) { EXPECT_EQ((std::vector<std::int64_t>{1, -2}), x.signedList.value); }},
        {"VT_ARRAY|VT_R8", [](VARIANT& v) { v.vt = VT_ARRAY | VT_R8; v.parray = Vector<double>(VT_R8, {0.25, 2}); },
         L"0.25; 2", "doubleList",
         [](const WMIValue& x) { EXPECT_EQ((std::vector<double>{0.25, 2}), x.doubleList.value); }},
        {"VT_ARRAY|VT_I1", [](VARIANT& v) { v.vt = VT_ARRAY | VT_I1; v.parray = Vector<CHAR>(VT_I1, {-1, 5}); },
         L"-1; 5", "signedList", nullptr},
        {"VT_ARRAY|VT_UI1", [](VARIANT& v) { v.vt = VT_ARRAY | VT_UI1; v.parray = Vector<BYTE>(VT_UI1, {255, 0}); },
         L"255; 0", "unsignedList", nullptr},
        {"VT_ARRAY|VT_UI2", [](VARIANT& v) { v.vt = VT_ARRAY | VT_UI2; v.parray = Vector<USHORT>(VT_UI2, {65535, 1}); },
         L"65535; 1", "unsignedList",
         [](const WMIValue& x) { EXPECT_EQ((std::vector<std::uint64_t>{65535, 1}), x.unsignedList.value); }},
        {"VT_ARRAY|VT_UINT",
         [](VARIANT& v) { v.vt = VT_ARRAY | VT_UINT; v.parray = Vector<UINT>(VT_UINT, {0xFFFFFFFFu, 0}); },
         L"4294967295; 0", "unsignedList",
         [](const WMIValue& x) { EXPECT_EQ((std::vector<std::uint64_t>{0xFFFFFFFFu, 0}), x.unsignedList.value); }},
        {"VT_ARRAY|VT_DECIMAL",
         [](VARIANT& v) {
             v.vt = VT_ARRAY | VT_DECIMAL;
             v.parray = Vector<DECIMAL>(VT_DECIMAL, {Decimal(1, false, 0, 15), Decimal(0, true, 1, 0)});
         },
         L"1.5; -18446744073709551616", "decimalList",
         [](const WMIValue& x) {
             ASSERT_EQ(2u, x.decimalList.value.size());
             EXPECT_EQ("1 +0:15", DecimalFields(x.decimalList.value[0]));
             EXPECT_EQ("0 -1:0", DecimalFields(x.decimalList.value[1]));
         }},
        {"VT_ARRAY|VT_BOOL",
         [](VARIANT& v) {
             v.vt = VT_ARRAY | VT_BOOL;
             v.parray = Vector<VARIANT_BOOL>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 1});
         },
         L"true; false; false", "boolList",
         [](const WMIValue& x) { EXPECT_EQ((std::vector<bool>{true, false, false}), x.boolList.value); }},
        {"VT_ARRAY|VT_BSTR",
         [](VARIANT& v) {
             v.vt = VT_ARRAY | VT_BSTR;
             v.parray = StrArrayVariant({L"Random Access", L"Supports Writing", L"SMART Notification"});
         },
         L"Random Access; Supports Writing; SMART Notification", "stringList",
         [](const WMIValue& x) { EXPECT_EQ(3u, x.stringList.value.size()); }},
        {"empty array", [](VARIANT& v) { v.vt = VT_ARRAY | VT_BSTR; v.parray = SafeArrayCreateVector(VT_BSTR, 0, 0); },
         L"", "stringList", [](const WMIValue& x) { EXPECT_TRUE(x.stringList.value.empty()); }},
        // The VARIANT claims 4-byte elements, the array holds 8-byte ones: nothing is read.
        {"array of the wrong element size",
         [](VARIANT& v) { v.vt = VT_ARRAY | VT_I4; v.parray = Vector<double>(VT_R8, {1.0, 2.0}); }, L"",
         "signedList", [](const WMIValue& x) { EXPECT_TRUE(x.signedList.value.empty()); }},
        {"VT_ARRAY|VT_I8", [](VARIANT& v) { v.vt = VT_ARRAY | VT_I8; v.parray = SafeArrayCreateVector(VT_I8, 0, 1); },
         L"<unknown>", "unknown", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UniqueVariant variant;
        c.make(*variant.Put());
        const WMIValue value(variant.Get());
        EXPECT_EQ(c.text, value.text);
        EXPECT_EQ(c.holders, SetHolders(value));
        if (c.check)
            c.check(value);
    }
}

TEST(WmiValue, AnElementThatCannotBeReadIsLeftOutWithItsSeparator) {
    struct {
        LONG refused;
        std::wstring text;
        std::vector<std::wstring> list;
    } cases[] = {
        {-1, L"a; b; c", {L"a", L"b", L"c"}},
        {0, L"b; c", {L"b", L"c"}},
        {1, L"a; c", {L"a", L"c"}},
        // The separator follows every element but the one at the upper bound.
        {2, L"a; b; ", {L"a", L"b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refused);
        refused = c.refused;
        WMIValue::UseElementReader(&RefusingReader);
        UniqueVariant variant;
        variant.Put()->vt = VT_ARRAY | VT_BSTR;
        (&variant)->parray = StrArrayVariant({L"a", L"b", L"c"});
        const WMIValue value(variant.Get());
        WMIValue::UseElementReader(nullptr);
        EXPECT_EQ(c.text, value.text);
        EXPECT_TRUE(value.stringList.isSet);
        EXPECT_EQ(c.list, value.stringList.value);
    }

    // The system refuses every element of an array locked as often as it can be.
    SAFEARRAY* array = Vector<LONG>(VT_I4, {1, 2, 3});
    const USHORT locks = static_cast<USHORT>(array->cLocks);
    array->cLocks = 0xFFFF;
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_ARRAY | VT_I4;
    variant.parray = array;
    const WMIValue value(variant);
    array->cLocks = locks;
    SafeArrayDestroy(array);
    EXPECT_EQ(L"", value.text);
    EXPECT_TRUE(value.signedList.isSet);
    EXPECT_TRUE(value.signedList.value.empty());
}

TEST(WmiValue, DefaultValueHasNoHolderAndTheTimeItWasMade) {
    const DateTime before = DateTime::NowUtc();
    const WMIValue value;
    EXPECT_EQ(L"", value.text);
    EXPECT_EQ("", SetHolders(value));
    EXPECT_EQ(DateTime::Utc, value.dateTimeValue.value.GetKind());
    EXPECT_GE(value.dateTimeValue.value.GetCount(), before.GetCount());
    EXPECT_LE(value.dateTimeValue.value.GetCount(), DateTime::NowUtc().GetCount());
}
