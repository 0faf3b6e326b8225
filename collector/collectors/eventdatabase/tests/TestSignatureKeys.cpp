// The test programs' plug-in signature keys: linked in place of the shipped build's, from the
// header that the fixture script generates with the test keys (tests/Fixtures.cmake).
#include "collector/collectors/eventdatabase/SignatureKeys.h"

#include "SignatureKeyData.h"

namespace Gathrix::FileSignature {

const unsigned char SignatureKeyP[256] = GATHRIX_SIGNATURE_KEY_P;
const unsigned char SignatureKeyD[256] = GATHRIX_SIGNATURE_KEY_D;
const unsigned char LegacyLengthMask[4] = GATHRIX_LEGACY_LENGTH_MASK;

} // namespace Gathrix::FileSignature
