#include "collector/result/ResultFileRecords.h"

#include "common/Text.h"

#include <algorithm>

namespace Gathrix {

namespace {

std::wstring NameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

} // namespace

void ResultFileRecords::Saved(const std::wstring& path, std::uint32_t writeError) {
    const std::wstring name = NameOf(path);
    std::lock_guard<std::mutex> guard(lock);
    for (ResultFileRecord& record : records) {
        if (Utils::EqualsNoCase(record.name, name)) {
            record.writeError = writeError;
            return;
        }
    }
    records.push_back({name, writeError});
}

void ResultFileRecords::Removed(const std::wstring& path) {
    const std::wstring name = NameOf(path);
    std::lock_guard<std::mutex> guard(lock);
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [&](const ResultFileRecord& record) { return Utils::EqualsNoCase(record.name, name); }),
                  records.end());
}

std::vector<ResultFileRecord> ResultFileRecords::All() const {
    std::lock_guard<std::mutex> guard(lock);
    return records;
}

void ResultFileRecords::Clear() {
    std::lock_guard<std::mutex> guard(lock);
    records.clear();
}

} // namespace Gathrix
