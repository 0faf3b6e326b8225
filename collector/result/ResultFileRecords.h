#pragma once
// This run's result files, as the result writer saved them: what the report renders (never an
// earlier run's leftover), and for each file the system error of a save that failed, so that its
// page can say why it is missing.

#include "common/Singleton.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace Gathrix {

struct ResultFileRecord {
    std::wstring name;             // the file's name in the data folder, e.g. "System_Processes_1.xml"
    std::uint32_t writeError = 0;  // ERROR_SUCCESS when the file was written whole
};

class ResultFileRecords : public Utils::Singleton<ResultFileRecords> {
public:
    // Records a save of the file `name` (a path's folder is dropped); a later save of the same
    // name replaces the earlier record, keeping its place.
    void Saved(const std::wstring& name, std::uint32_t writeError);
    // The file is gone (renamed to a part's name, say).
    void Removed(const std::wstring& name);
    // In the order first saved.
    std::vector<ResultFileRecord> All() const;
    void Clear();

private:
    friend class Utils::Singleton<ResultFileRecords>;
    ResultFileRecords() = default;

    mutable std::mutex lock;
    std::vector<ResultFileRecord> records;
};

} // namespace Gathrix
