#include "collector/config/ProductElements.h"

#include "collector/products/BuildDatProducts.h"
#include "collector/products/CrossDetectionProducts.h"
#include "collector/products/FolderProducts.h"
#include "collector/products/KeyTestProducts.h"
#include "collector/products/ProductLevelNames.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/UninstallEntryProducts.h"

namespace Gathrix::ConfigParsing {

const std::array<ProductElement, ProductElementCount>& ProductElements() {
    static const std::array<ProductElement, ProductElementCount> elements{{
        {"QuellonBerex", Quellon::NameAndVersionLevel<Quellon::QuellonBerex>},
        {"QuellonAlvar", Quellon::NameAndVersionLevel<Quellon::QuellonAlvar>},
        {"QuellonDornik", Quellon::NameAndVersionLevel<Quellon::QuellonDornik>},
        {"QuellonCavon", Quellon::NameAndVersionLevel<Quellon::QuellonCavon>},
        {"QuellonEskarAgent", Quellon::NameAndVersionLevel<Quellon::QuellonEskarAgent>},
        {"QuellonEskarServer", Quellon::NameAndVersionLevel<Quellon::QuellonEskarServer>},
        {"QuellonEskarFrontend", Quellon::NameAndVersionLevel<Quellon::QuellonEskarFrontend>},
        {"QuellonFenrid", Quellon::NameAndVersionLevel<Quellon::QuellonFenrid>},
        {"QuellonGolva", Quellon::NameAndVersionLevel<Quellon::QuellonGolva>},
        {"QuellonHestrel", Quellon::NameLevel<Quellon::QuellonHestrel>},
        {"QuellonJuvent", Quellon::NameLevel<Quellon::QuellonJuvent>},
        {"QuellonIvrane", Quellon::NameAndVersionLevel<Quellon::QuellonIvrane>},
        {"QuellonKaldor", Quellon::NameAndVersionLevel<Quellon::QuellonKaldor>},
        {"QuellonLumbra", Quellon::NameAndVersionLevel<Quellon::QuellonLumbra>},
        {"QuellonMirell", Quellon::NameAndVersionLevel<Quellon::QuellonMirell>},
        {"QuellonNoviset", Quellon::NameAndVersionLevel<Quellon::QuellonNoviset>},
        {"QuellonNovisetHost", Quellon::NameAndVersionLevel<Quellon::QuellonNovisetHost>},
        {"QuellonPerrin", Quellon::NameAndVersionLevel<Quellon::QuellonPerrin>},
        {"QuellonPerrinBelowV6", Quellon::NameAndVersionLevel<Quellon::QuellonPerrinBelowV6>},
        {"QuellonRastel", Quellon::NameAndVersionLevel<Quellon::QuellonRastel>},
        {"MarventRastel", Quellon::NameAndVersionLevel<Quellon::MarventRastel>},
        {"QuellonQuorvel", Quellon::NameAndVersionLevel<Quellon::QuellonQuorvel>},
        {"QuellonSovrin", Quellon::NameAndVersionLevel<Quellon::QuellonSovrin>},
        {"QuellonOrvane", Quellon::NameAndVersionLevel<Quellon::QuellonOrvane>},
    }};
    return elements;
}

} // namespace Gathrix::ConfigParsing
