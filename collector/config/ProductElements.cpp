#include "collector/config/ProductElements.h"

namespace Gathrix::ConfigParsing {

const std::array<ProductElement, ProductElementCount>& ProductElements() {
    static const std::array<ProductElement, ProductElementCount> elements{{
        {"QuellonBerex", nullptr},
        {"QuellonAlvar", nullptr},
        {"QuellonDornik", nullptr},
        {"QuellonCavon", nullptr},
        {"QuellonEskarAgent", nullptr},
        {"QuellonEskarServer", nullptr},
        {"QuellonEskarFrontend", nullptr},
        {"QuellonFenrid", nullptr},
        {"QuellonGolva", nullptr},
        {"QuellonHestrel", nullptr},
        {"QuellonJuvent", nullptr},
        {"QuellonIvrane", nullptr},
        {"QuellonKaldor", nullptr},
        {"QuellonLumbra", nullptr},
        {"QuellonMirell", nullptr},
        {"QuellonNoviset", nullptr},
        {"QuellonNovisetHost", nullptr},
        {"QuellonPerrin", nullptr},
        {"QuellonPerrinBelowV6", nullptr},
        {"QuellonRastel", nullptr},
        {"MarventRastel", nullptr},
        {"QuellonQuorvel", nullptr},
        {"QuellonSovrin", nullptr},
        {"QuellonOrvane", nullptr},
    }};
    return elements;
}

} // namespace Gathrix::ConfigParsing
