#pragma once
// A job's own connection to one WMI namespace of the local machine: COM joined in the
// multithreaded apartment, the namespace connected, WQL queries run and every result object
// returned as a row of converted values. Failures are logged at ERROR and returned as results;
// a query throws only without a namespace connection, or when WMI does not deliver its objects
// within the bound. The namespace connection is bounded by WMI itself (two minutes).

#include "collector/collectors/wmi/WmiValue.h"
#include "collector/platform/WaitBounds.h"
#include "common/Exceptions.h"
#include "common/Handles.h"

#include <wbemcli.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Gathrix {

// WMI property names are case-insensitive, and providers do not agree on the spelling ("DeviceID"
// on Windows, "DeviceId" under Wine): the row looks names up without regard to case.
struct WMINameLess {
    bool operator()(const std::wstring& left, const std::wstring& right) const;
};

// One result object: property name to value. Looking up a name the row lacks inserts and
// yields a default value (empty text, no holder set).
using WMIRow = std::map<std::wstring, WMIValue, WMINameLess>;
using WMIRows = std::vector<WMIRow>;

// WMI did not deliver a query's objects within the bound. A failed read (CannotRead) for whoever
// handles WMI failures; the jobs tell it apart to report a time-out rather than missing access.
class WMIQueryTimedOut : public WMIObjectException {
public:
    WMIQueryTimedOut();
};

class WMIObject {
public:
    WMIObject() = default;
    ~WMIObject();
    WMIObject(const WMIObject&) = delete;
    WMIObject& operator=(const WMIObject&) = delete;

    // COM, process security, the locator, the namespace and the proxy blanket, in this order;
    // the first step that fails is logged and ends the call. True once all succeeded.
    bool Connect(const std::wstring& nameSpace);
    // The namespace step of Connect; a services pointer held from before is released first.
    bool ConnectServer(const std::wstring& nameSpace);
    // The rows of one WQL query in the order WMI delivers them. Throws WMIObjectException
    // (CannotConnect) without a namespace connection; a refused query gives no rows, a failure
    // during the enumeration the rows read so far (both logged). Objects not all delivered within
    // the bound: logged, and WMIQueryTimedOut.
    WMIRows Query(const std::wstring& wql);

    ComPtr<IWbemLocator> locator;
    ComPtr<IWbemServices> services;
    // This object's CoInitializeEx initialised COM on the thread; the destructor balances it.
    bool comInitialised = false;
    bool connected = false;
};

// Reads every object of a forward-only enumerator into rows, with the non-system property names
// of the first object that delivers them. A failing Next ends the reading with the rows so far
// and the "Unable to run WQL" line for `wql`. When the objects are not all there within
// `boundMilliseconds`, the reading is given up: an ERROR line and WMIQueryTimedOut, so that the
// job shows its error leaf rather than a part of the objects.
WMIRows ReadWmiRows(IEnumWbemClassObject& enumerator, const std::wstring& wql,
                    std::uint32_t boundMilliseconds = WaitBounds::WmiQueryMilliseconds);

} // namespace Gathrix
