// The shipped build's keys. The test programs link keys of their own in place of this file's.
#include "collector/collectors/eventdatabase/SignatureKeys.h"

// Generated: GATHRIX_SIGNATURE_KEY_P, GATHRIX_SIGNATURE_KEY_D, GATHRIX_LEGACY_LENGTH_MASK.
#include "SignatureKeyData.h"

namespace Gathrix::FileSignature {

const unsigned char SignatureKeyP[256] = GATHRIX_SIGNATURE_KEY_P;
const unsigned char SignatureKeyD[256] = GATHRIX_SIGNATURE_KEY_D;
const unsigned char LegacyLengthMask[4] = GATHRIX_LEGACY_LENGTH_MASK;

} // namespace Gathrix::FileSignature
