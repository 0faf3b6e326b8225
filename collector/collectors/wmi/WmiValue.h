#pragma once
// One property value of a WMI result object, converted at query time from its VARIANT into a
// display text and one typed holder chosen by the VARIANT's type. The record holds no COM data.

#include "common/DateTime.h"

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix {

// A value and whether a conversion filled it.
template <class T>
struct WMIHolder {
    WMIHolder() = default;
    explicit WMIHolder(T initial) : value(std::move(initial)) {}

    T value{};
    bool isSet = false;

    void Set(T newValue) {
        value = std::move(newValue);
        isSet = true;
    }
};

class WMIValue {
public:
    // Empty text, every holder unset; `dateTimeValue` holds the current UTC time.
    WMIValue();
    // Converts the VARIANT, which is only read (the caller clears it). A VT_CY or VT_DECIMAL value
    // that can't be turned into text throws ErrorCodeException with the HRESULT.
    explicit WMIValue(const VARIANT& variant);

    // Reads dimension 1 of an array whose elements are E into `list` and `text`, each element
    // turned into its list value and text by `convert`; an element that can't be read is
    // skipped together with its separator.
    template <class E, class L>
    void ReadArray(SAFEARRAY* array, WMIHolder<std::vector<L>>& list, L (*convert)(E& element, std::wstring& text));

    std::wstring text;
    WMIHolder<std::int64_t> signedValue;
    WMIHolder<std::uint64_t> unsignedValue;
    WMIHolder<float> floatValue;
    WMIHolder<double> doubleValue;
    WMIHolder<std::wstring> stringValue;
    WMIHolder<bool> boolValue;
    WMIHolder<CY> currencyValue;
    WMIHolder<SCODE> errorValue;
    WMIHolder<DECIMAL> decimalValue;
    WMIHolder<DateTime> dateTimeValue;
    WMIHolder<std::int32_t> nullMarker;
    WMIHolder<std::int32_t> emptyMarker;
    WMIHolder<std::wstring> unknownText;
    WMIHolder<std::vector<std::int64_t>> signedList;
    WMIHolder<std::vector<std::uint64_t>> unsignedList;
    WMIHolder<std::vector<float>> floatList;
    WMIHolder<std::vector<double>> doubleList;
    WMIHolder<std::vector<std::wstring>> stringList;
    WMIHolder<std::vector<bool>> boolList;
    WMIHolder<std::vector<CY>> currencyList;
    WMIHolder<std::vector<SCODE>> errorList;
    WMIHolder<std::vector<DECIMAL>> decimalList;
    WMIHolder<std::vector<DateTime>> dateTimeList;

    // The call that reads one array element (SafeArrayGetElement); tests put a stand-in in its
    // place that refuses chosen elements, and null puts the system's call back.
    using ElementReader = HRESULT(WINAPI*)(SAFEARRAY* array, LONG* indices, void* element);
    static void UseElementReader(ElementReader reader);

private:
    bool ConvertScalar(const VARIANT& variant);
    bool ConvertArray(const VARIANT& variant);
};

} // namespace Gathrix
