#pragma once
// The browser toolbar, whose keys and folders lie under the partner vendor's name. Both
// detectors report the name "Quellon Perrin"; their publishers tell them apart.

#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

namespace Gathrix::Quellon {

// Versions V6 and newer, recognised by an edition key; the registry is asked anew on every
// IsInstalled.
class QuellonPerrin : public QuellonProductInfo, public Utils::Singleton<QuellonPerrin> {
public:
    bool IsInstalled() override;

private:
    friend class Utils::Singleton<QuellonPerrin>;
    QuellonPerrin();
};

// The older toolbar, recognised by the marker value "tb" beginning with "QXR-".
class QuellonPerrinBelowV6 : public QuellonProductInfo, public Utils::Singleton<QuellonPerrinBelowV6> {
public:
    // The partner vendor's program folder is named after its web domain.
    static const wchar_t* const InstallDirPattern;

    bool IsInstalled() override;

private:
    friend class Utils::Singleton<QuellonPerrinBelowV6>;
    QuellonPerrinBelowV6();
};

} // namespace Gathrix::Quellon
