#include "collector/collectors/eventlogs/EventlogApi.h"

namespace Gathrix::EventLevelNames {

std::wstring Name(Interface api, std::uint32_t level) {
    switch (level) {
    case 0: return L"Success";
    case 1: return L"Critical error";
    case 2: return api == Interface::WinVista ? L"Error" : L"Warning";
    case 3: return api == Interface::WinVista ? L"Warning" : L"Error";
    case 4: return L"Information";
    case 8: return L"Audit success";
    case 16: return L"Audit error";
    default: return L"unknown";
    }
}

std::wstring TypeWord(Interface api, std::uint32_t level) {
    if (api == Interface::WinVista) {
        // Levels of the newer interface: 0 log always, 1 critical, 2 error, 3 warning,
        // 4 information, 5 verbose.
        switch (level) {
        case 0: return L"lvlsuccess";
        case 1:
        case 2: return L"lvlerror";
        case 3: return L"lvlwarning";
        case 4: return L"lvlinfo";
        default: return L"unknown";
        }
    }
    // Classic event types: 1 error, 2 warning, 4 information, 8 audit success, 16 audit failure.
    switch (level) {
    case 0:
    case 8: return L"lvlsuccess";
    case 1:
    case 16: return L"lvlerror";
    case 2:
    case 3: return L"lvlwarning";
    case 4: return L"lvlinfo";
    default: return L"unknown";
    }
}

} // namespace Gathrix::EventLevelNames
