#include "collector/collectors/wmi/WmiValue.h"

#include "common/Exceptions.h"
#include "common/Handles.h"

#include <oleauto.h>

#include <cwchar>
#include <locale>
#include <sstream>

namespace Gathrix {

namespace {

std::wstring FloatText(double value) {
    // A wide string stream's default form: general notation, six significant digits.
    std::wostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}

// CY and DECIMAL are printed by the system, so the user's locale decides the decimal separator.
std::wstring SystemText(const VARIANT& value) {
    UniqueVariant converted;
    // The source is only read; the declaration lacks its const.
    const HRESULT result = VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (FAILED(result))
        throw ErrorCodeException(static_cast<std::uint32_t>(result));
    const BSTR text = converted.Get().bstrVal;
    return text ? std::wstring(text) : std::wstring();
}

std::wstring CurrencyText(const CY& currency) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_CY;
    value.cyVal = currency;
    return SystemText(value);
}

std::wstring DecimalText(const DECIMAL& decimal) {
    VARIANT value;
    VariantInit(&value);
    // The DECIMAL fills the whole VARIANT, its first word included: the type goes in after it.
    value.decVal = decimal;
    value.vt = VT_DECIMAL;
    return SystemText(value);
}

// A date the conversion refuses yields no date: the caller shows "<unknown>" instead of reading
// calendar fields that were never set.
bool DateFromVariantTime(DATE date, DateTime& result) {
    SYSTEMTIME calendar = {};
    if (!VariantTimeToSystemTime(date, &calendar))
        return false;
    result = DateTime(calendar, DateTime::Local);
    return true;
}

// A string up to its first NUL; a null string is the empty text.
std::wstring StringText(BSTR text) { return text ? std::wstring(text) : std::wstring(); }

// ---------------------------------------------------------------- array elements

WMIValue::ElementReader& CurrentElementReader() {
    static WMIValue::ElementReader reader = &SafeArrayGetElement;
    return reader;
}

template <class E>
std::int64_t SignedElement(E& element, std::wstring& text) {
    const std::int64_t value = element;
    text = std::to_wstring(value);
    return value;
}

template <class E>
std::uint64_t UnsignedElement(E& element, std::wstring& text) {
    const std::uint64_t value = element;
    text = std::to_wstring(value);
    return value;
}

float FloatElement(float& element, std::wstring& text) {
    text = FloatText(element);
    return element;
}

double DoubleElement(double& element, std::wstring& text) {
    text = FloatText(element);
    return element;
}

std::wstring StringElement(BSTR& element, std::wstring& text) {
    UniqueBstr owned(element);  // the array handed out a copy
    text = StringText(owned.Get());
    return text;
}

bool BoolElement(VARIANT_BOOL& element, std::wstring& text) {
    text = element == VARIANT_TRUE ? L"true" : L"false";
    return element == VARIANT_TRUE;
}

CY CurrencyElement(CY& element, std::wstring& text) {
    text = CurrencyText(element);
    return element;
}

SCODE ErrorElement(SCODE& element, std::wstring& text) {
    text = std::to_wstring(static_cast<std::int32_t>(element));
    return element;
}

DECIMAL DecimalElement(DECIMAL& element, std::wstring& text) {
    text = DecimalText(element);
    return element;
}

DateTime DateElement(DATE& element, std::wstring& text) {
    DateTime value = DateTime::NowUtc();
    if (DateFromVariantTime(element, value)) {
        text = value.ToString();
    } else {
        text = L"<unknown>";
    }
    return value;
}

} // namespace

void WMIValue::UseElementReader(ElementReader reader) {
    CurrentElementReader() = reader ? reader : &SafeArrayGetElement;
}

WMIValue::WMIValue() : dateTimeValue(DateTime::NowUtc()) {}

WMIValue::WMIValue(const VARIANT& variant) : WMIValue() {
    if (ConvertScalar(variant) || ConvertArray(variant))
        return;
    unknownText.Set(L"<unknown>");
    text = L"<unknown>";
}

bool WMIValue::ConvertScalar(const VARIANT& variant) {
    // The type code is compared as a whole: VT_BYREF or any other flag matches nothing here.
    switch (variant.vt) {
    case VT_EMPTY:
        emptyMarker.Set(0);
        text = L"<EMPTY>";
        return true;
    case VT_NULL:
        nullMarker.Set(0);
        text = L"<NULL>";
        return true;
    case VT_I1: signedValue.Set(static_cast<signed char>(variant.cVal)); break;
    case VT_I2: signedValue.Set(variant.iVal); break;
    case VT_I4: signedValue.Set(variant.lVal); break;
    case VT_INT: signedValue.Set(variant.intVal); break;
    case VT_UI1: unsignedValue.Set(variant.bVal); break;
    case VT_UI2: unsignedValue.Set(variant.uiVal); break;
    case VT_UI4: unsignedValue.Set(variant.ulVal); break;
    case VT_UI8: unsignedValue.Set(variant.ullVal); break;
    case VT_UINT: unsignedValue.Set(variant.uintVal); break;
    case VT_R4:
        floatValue.Set(variant.fltVal);
        text = FloatText(variant.fltVal);
        return true;
    case VT_R8:
        doubleValue.Set(variant.dblVal);
        text = FloatText(variant.dblVal);
        return true;
    case VT_CY:
        text = SystemText(variant);
        currencyValue.Set(variant.cyVal);
        return true;
    case VT_DECIMAL:
        text = SystemText(variant);
        decimalValue.Set(variant.decVal);
        return true;
    case VT_DATE: {
        DateTime date = DateTime::NowUtc();
        if (!DateFromVariantTime(variant.date, date)) {
            unknownText.Set(L"<unknown>");
            text = L"<unknown>";
            return true;
        }
        text = date.ToString();
        dateTimeValue.Set(date);
        return true;
    }
    case VT_BSTR:
        text = StringText(variant.bstrVal);
        stringValue.Set(text);
        return true;
    case VT_ERROR:
        errorValue.Set(variant.scode);
        text = std::to_wstring(static_cast<std::int32_t>(variant.scode));
        return true;
    case VT_BOOL:
        // Any non-zero value is true, yet only VARIANT_TRUE reads "true".
        boolValue.Set(variant.boolVal != 0);
        text = variant.boolVal == VARIANT_TRUE ? L"true" : L"false";
        return true;
    default:
        return false;
    }
    text = signedValue.isSet ? std::to_wstring(signedValue.value) : std::to_wstring(unsignedValue.value);
    return true;
}

bool WMIValue::ConvertArray(const VARIANT& variant) {
    if ((variant.vt & VT_ARRAY) == 0)
        return false;
    SAFEARRAY* array = variant.parray;
    switch (variant.vt) {
    case VT_ARRAY | VT_I1: ReadArray<CHAR, std::int64_t>(array, signedList, &SignedElement<CHAR>); break;
    case VT_ARRAY | VT_I2: ReadArray<SHORT, std::int64_t>(array, signedList, &SignedElement<SHORT>); break;
    case VT_ARRAY | VT_I4: ReadArray<LONG, std::int64_t>(array, signedList, &SignedElement<LONG>); break;
    case VT_ARRAY | VT_INT: ReadArray<INT, std::int64_t>(array, signedList, &SignedElement<INT>); break;
    case VT_ARRAY | VT_UI1: ReadArray<BYTE, std::uint64_t>(array, unsignedList, &UnsignedElement<BYTE>); break;
    case VT_ARRAY | VT_UI2: ReadArray<USHORT, std::uint64_t>(array, unsignedList, &UnsignedElement<USHORT>); break;
    case VT_ARRAY | VT_UI4: ReadArray<ULONG, std::uint64_t>(array, unsignedList, &UnsignedElement<ULONG>); break;
    case VT_ARRAY | VT_UINT: ReadArray<UINT, std::uint64_t>(array, unsignedList, &UnsignedElement<UINT>); break;
    case VT_ARRAY | VT_UI8:
        ReadArray<ULONGLONG, std::uint64_t>(array, unsignedList, &UnsignedElement<ULONGLONG>);
        break;
    case VT_ARRAY | VT_R4: ReadArray<float, float>(array, floatList, &FloatElement); break;
    case VT_ARRAY | VT_R8: ReadArray<double, double>(array, doubleList, &DoubleElement); break;
    case VT_ARRAY | VT_BSTR: ReadArray<BSTR, std::wstring>(array, stringList, &StringElement); break;
    case VT_ARRAY | VT_BOOL: ReadArray<VARIANT_BOOL, bool>(array, boolList, &BoolElement); break;
    case VT_ARRAY | VT_CY: ReadArray<CY, CY>(array, currencyList, &CurrencyElement); break;
    case VT_ARRAY | VT_DATE: ReadArray<DATE, DateTime>(array, dateTimeList, &DateElement); break;
    case VT_ARRAY | VT_ERROR: ReadArray<SCODE, SCODE>(array, errorList, &ErrorElement); break;
    case VT_ARRAY | VT_DECIMAL: ReadArray<DECIMAL, DECIMAL>(array, decimalList, &DecimalElement); break;
    default: return false;
    }
    return true;
}

template <class E, class L>
void WMIValue::ReadArray(SAFEARRAY* array, WMIHolder<std::vector<L>>& list,
                         L (*convert)(E& element, std::wstring& text)) {
    LONG lower = 0;
    LONG upper = 0;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    // The element is copied into a buffer of its type's size: an array whose own element size or
    // number of dimensions does not fit the VARIANT's type is read as one whose every element
    // fails, instead of writing past the buffer or reading indices that are not there.
    const bool readable =
        array != nullptr && SafeArrayGetDim(array) == 1 && SafeArrayGetElemsize(array) == sizeof(E);
    std::vector<L> values;
    std::wstring joined;
    // A wide counter: an upper bound at the largest LONG must still end the loop.
    for (long long position = lower; position <= upper; ++position) {
        LONG index = static_cast<LONG>(position);
        E element{};
        if (!readable || FAILED(CurrentElementReader()(array, &index, &element)))
            continue;
        std::wstring elementText;
        values.push_back(convert(element, elementText));
        joined += elementText;
        if (position != upper)
            joined += L"; ";
    }
    list.Set(std::move(values));
    text = std::move(joined);
}

} // namespace Gathrix
