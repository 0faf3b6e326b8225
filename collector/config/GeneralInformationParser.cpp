#include "collector/config/GeneralInformationParser.h"

#include "collector/collectors/wmi/GeneralInformation.h"

#include <memory>

namespace Gathrix::ConfigParsing {

GeneralInformationParser::GeneralInformationParser(std::wstring installedProducts, std::wstring name,
                                                   std::wstring company, std::wstring email,
                                                   std::wstring callNumber, std::wstring modeName)
    : installedProducts(std::move(installedProducts)), name(std::move(name)), company(std::move(company)),
      email(std::move(email)), callNumber(std::move(callNumber)), modeName(std::move(modeName)) {}

DelegateMap GeneralInformationParser::GetDelegates() {
    DelegateMap delegates;
    delegates["GeneralInformation"] = MakeJobItemsDelegate(this, &GeneralInformationParser::ValidateNoChildElements,
                                                           &GeneralInformationParser::ParseToJobItems);
    return delegates;
}

void GeneralInformationParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                               const std::string& /*name*/) {
    // The job takes the time of this element's parsing; it takes it again when it collects.
    auto job = std::make_unique<GeneralInformation>(installedProducts, name, company, email, callNumber, modeName);
    container.AddJobItem(job.get());
    job.release();
}

} // namespace Gathrix::ConfigParsing
