#pragma once
// The 24 product publishers: each reports its product and, only when it is installed,
// publishes the product's folders and keys as program variables for mode files.

#include "collector/products/QuellonProductInfo.h"

#include <string>

namespace Gathrix::Quellon {

void PublishQuellonAlvar(InstalledProductList& installedProducts);
void PublishQuellonBerex(InstalledProductList& installedProducts);
void PublishQuellonDornik(InstalledProductList& installedProducts);
void PublishQuellonCavon(InstalledProductList& installedProducts);
void PublishQuellonEskarAgent(InstalledProductList& installedProducts);
void PublishQuellonEskarServer(InstalledProductList& installedProducts);
void PublishQuellonEskarFrontend(InstalledProductList& installedProducts);
void PublishQuellonFenrid(InstalledProductList& installedProducts);
void PublishQuellonGolva(InstalledProductList& installedProducts);
void PublishQuellonHestrel(InstalledProductList& installedProducts);
void PublishQuellonIvrane(InstalledProductList& installedProducts);
void PublishQuellonJuvent(InstalledProductList& installedProducts);
void PublishQuellonKaldor(InstalledProductList& installedProducts);
void PublishQuellonLumbra(InstalledProductList& installedProducts);
void PublishQuellonMirell(InstalledProductList& installedProducts);
void PublishQuellonNoviset(InstalledProductList& installedProducts);
void PublishQuellonNovisetHost(InstalledProductList& installedProducts);
void PublishQuellonPerrinBelowV6(InstalledProductList& installedProducts);
void PublishQuellonPerrin(InstalledProductList& installedProducts);
void PublishQuellonRastel(InstalledProductList& installedProducts);
void PublishMarventRastel(InstalledProductList& installedProducts);
void PublishQuellonQuorvel(InstalledProductList& installedProducts);
void PublishQuellonSovrin(InstalledProductList& installedProducts);
void PublishQuellonOrvane(InstalledProductList& installedProducts);

// All 24 publishers in their fixed order (Alvar first, Orvane last).
void PublishInstalledProducts(InstalledProductList& installedProducts);

// Every entry followed by ", " (the last one too), or "- no products found -".
std::wstring InstalledProductsText(const InstalledProductList& installedProducts);

} // namespace Gathrix::Quellon
