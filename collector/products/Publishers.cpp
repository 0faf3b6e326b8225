#include "collector/products/Publishers.h"

#include "collector/platform/Variables.h"
#include "collector/products/BuildDatProducts.h"
#include "collector/products/CrossDetectionProducts.h"
#include "collector/products/FolderProducts.h"
#include "collector/products/KeyTestProducts.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/UninstallEntryProducts.h"

#include <utility>

namespace Gathrix::Quellon {

namespace {

using Info = QuellonProductInfo;
using Variable = std::pair<const wchar_t*, ProductGetter>;

// Mode files refer to the variables by these names, irregular as they are (Appdata, AppData,
// CommonAppData).
void Publish(QuellonProductInfo& product, InstalledProductList& installedProducts, const wchar_t* displayName,
             std::initializer_list<Variable> variables) {
    if (!ReportInstallation(product, installedProducts, displayName))
        return;
    for (const Variable& variable : variables)
        System::Variables::Instance().AddVariable(variable.first, (product.*variable.second)());
}

} // namespace

void PublishQuellonAlvar(InstalledProductList& list) {
    Publish(QuellonAlvar::Instance(), list, L"Quellon Alvar",
            {{L"QuellonAlvarInstallDir", &Info::GetInstallDir}, {L"QuellonAlvarAppdata", &Info::GetAppData},
             {L"QuellonAlvarMasterkey", &Info::GetMasterKey}, {L"QuellonAlvarQuarantinePath", &Info::GetQuarantinePath}});
}

void PublishQuellonBerex(InstalledProductList& list) {
    Publish(QuellonBerex::Instance(), list, L"Quellon Berex",
            {{L"QuellonBerexInstallDir", &Info::GetInstallDir}, {L"QuellonBerexAppdata", &Info::GetAppData},
             {L"QuellonBerexMasterkey", &Info::GetMasterKey}, {L"QuellonBerexQuarantinePath", &Info::GetQuarantinePath}});
}

void PublishQuellonDornik(InstalledProductList& list) {
    Publish(QuellonDornik::Instance(), list, L"Quellon Dornik",
            {{L"QuellonDornikInstallDir", &Info::GetInstallDir}, {L"QuellonDornikAppdata", &Info::GetAppData}});
}

void PublishQuellonCavon(InstalledProductList& list) {
    Publish(QuellonCavon::Instance(), list, L"Quellon Cavon",
            {{L"QuellonCavonInstallDir", &Info::GetInstallDir}, {L"QuellonCavonAppdata", &Info::GetAppData},
             {L"QuellonCavonMasterkey", &Info::GetMasterKey}, {L"QuellonCavonQuarantinePath", &Info::GetQuarantinePath}});
}

void PublishQuellonEskarAgent(InstalledProductList& list) {
    Publish(QuellonEskarAgent::Instance(), list, L"Quellon Eskar Agent",
            {{L"QuellonEskarAgentInstallDir", &Info::GetInstallDir}, {L"QuellonEskarAgentAppdata", &Info::GetAppData},
             {L"QuellonEskarAgentMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonEskarServer(InstalledProductList& list) {
    Publish(QuellonEskarServer::Instance(), list, L"Quellon Eskar Server",
            {{L"QuellonEskarServerInstallDir", &Info::GetInstallDir}, {L"QuellonEskarServerAppdata", &Info::GetAppData},
             {L"QuellonEskarServerMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonEskarFrontend(InstalledProductList& list) {
    Publish(QuellonEskarFrontend::Instance(), list, L"Quellon Eskar Frontend",
            {{L"QuellonEskarFrontendInstallDir", &Info::GetInstallDir},
             {L"QuellonEskarFrontendAppdata", &Info::GetAppData},
             {L"QuellonEskarFrontendMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonFenrid(InstalledProductList& list) {
    Publish(QuellonFenrid::Instance(), list, L"Quellon Fenrid",
            {{L"QuellonFenridInstallDir", &Info::GetInstallDir}, {L"QuellonFenridAppdata", &Info::GetAppData},
             {L"QuellonFenridMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonGolva(InstalledProductList& list) {
    Publish(QuellonGolva::Instance(), list, L"Quellon Tolvane for Golva",
            {{L"QuellonGolvaInstallDir", &Info::GetInstallDir}, {L"QuellonGolvaAppdata", &Info::GetAppData},
             {L"QuellonGolvaMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonHestrel(InstalledProductList& list) {
    Publish(QuellonHestrel::Instance(), list, L"Quellon Tolvane for Exchange",
            {{L"QuellonHestrelInstallDir", &Info::GetInstallDir}, {L"QuellonHestrelMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonIvrane(InstalledProductList& list) {
    Publish(QuellonIvrane::Instance(), list, L"Quellon Tolvane Sharepoint",
            {{L"QuellonIvraneInstallDir", &Info::GetInstallDir}, {L"QuellonIvraneAppdata", &Info::GetAppData},
             {L"QuellonIvraneMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonJuvent(InstalledProductList& list) {
    Publish(QuellonJuvent::Instance(), list, L"Quellon Juvent",
            {{L"QuellonJuventInstallDir", &Info::GetInstallDir}, {L"QuellonJuventMasterkey", &Info::GetMasterKey}});
}

void PublishQuellonKaldor(InstalledProductList& list) {
    Publish(QuellonKaldor::Instance(), list, L"Quellon Kaldor",
            {{L"QuellonKaldorInstallDir", &Info::GetInstallDir}, {L"QuellonKaldorAppdata", &Info::GetAppData}});
}

void PublishQuellonLumbra(InstalledProductList& list) {
    Publish(QuellonLumbra::Instance(), list, L"Quellon Lumbra",
            {{L"QuellonLumbraInstallDir", &Info::GetInstallDir}, {L"QuellonLumbraAppdata", &Info::GetAppData}});
}

void PublishQuellonMirell(InstalledProductList& list) {
    Publish(QuellonMirell::Instance(), list, L"Quellon Mirell",
            {{L"QuellonMirellInstallDir", &Info::GetInstallDir}, {L"QuellonMirellAppdata", &Info::GetAppData}});
}

void PublishQuellonNoviset(InstalledProductList& list) {
    Publish(QuellonNoviset::Instance(), list, L"Quellon Noviset",
            {{L"QuellonNovisetInstallDir", &Info::GetInstallDir}, {L"QuellonNovisetAppdata", &Info::GetAppData}});
}

void PublishQuellonNovisetHost(InstalledProductList& list) {
    Publish(QuellonNovisetHost::Instance(), list, L"Quellon Noviset Host",
            {{L"QuellonNovisetHostInstallDir", &Info::GetInstallDir},
             {L"QuellonNovisetHostAppdata", &Info::GetAppData}});
}

void PublishQuellonPerrinBelowV6(InstalledProductList& list) {
    Publish(QuellonPerrinBelowV6::Instance(), list, L"Quellon Perrin (version below V6)",
            {{L"QuellonPerrinBelowV6InstallDir", &Info::GetInstallDir}});
}

void PublishQuellonPerrin(InstalledProductList& list) {
    Publish(QuellonPerrin::Instance(), list, L"Quellon Perrin (version V6 or newer)",
            {{L"QuellonPerrinInstallDir", &Info::GetInstallDir}, {L"QuellonPerrinCommonAppData", &Info::GetAppData}});
}

void PublishQuellonRastel(InstalledProductList& list) {
    Publish(QuellonRastel::Instance(), list, L"Quellon Rastel",
            {{L"QuellonRastelInstallDir", &Info::GetInstallDir}, {L"QuellonRastelAppData", &Info::GetAppData}});
}

void PublishMarventRastel(InstalledProductList& list) {
    Publish(MarventRastel::Instance(), list, L"Marvent Rastel",
            {{L"MarventRastelInstallDir", &Info::GetInstallDir}, {L"MarventRastelAppData", &Info::GetAppData}});
}

void PublishQuellonQuorvel(InstalledProductList& list) {
    Publish(QuellonQuorvel::Instance(), list, L"Quellon Vpn Quorvel",
            {{L"QuellonQuorvelInstallDir", &Info::GetInstallDir}, {L"QuellonQuorvelAppData", &Info::GetAppData}});
}

void PublishQuellonSovrin(InstalledProductList& list) {
    Publish(QuellonSovrin::Instance(), list, L"Sovrin",
            {{L"QuellonSovrinInstallDir", &Info::GetInstallDir}, {L"QuellonSovrinAppData", &Info::GetAppData}});
}

void PublishQuellonOrvane(InstalledProductList& list) {
    Publish(QuellonOrvane::Instance(), list, L"Quellon Orvane",
            {{L"QuellonOrvaneInstallDir", &Info::GetInstallDir}, {L"QuellonOrvaneAppdata", &Info::GetAppData}});
}

void PublishInstalledProducts(InstalledProductList& list) {
    static void (*const publishers[])(InstalledProductList&) = {
        PublishQuellonAlvar,         PublishQuellonBerex,       PublishQuellonDornik,       PublishQuellonCavon,
        PublishQuellonEskarAgent,    PublishQuellonEskarServer, PublishQuellonEskarFrontend, PublishQuellonFenrid,
        PublishQuellonGolva,         PublishQuellonHestrel,     PublishQuellonIvrane,       PublishQuellonJuvent,
        PublishQuellonKaldor,        PublishQuellonLumbra,      PublishQuellonMirell,       PublishQuellonNoviset,
        PublishQuellonNovisetHost,   PublishQuellonPerrinBelowV6, PublishQuellonPerrin,     PublishQuellonRastel,
        PublishMarventRastel,        PublishQuellonQuorvel,     PublishQuellonSovrin,       PublishQuellonOrvane};
    for (auto publish : publishers)
        publish(list);
}

std::wstring InstalledProductsText(const InstalledProductList& installedProducts) {
    if (installedProducts.empty())
        return L"- no products found -";
    std::wstring text;
    for (const std::wstring& entry : installedProducts)
        text += entry + L", ";
    return text;
}

} // namespace Gathrix::Quellon
