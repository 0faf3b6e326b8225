#pragma once
// The two public keys of the plug-in signature (RSA-2048 moduli, most significant byte first,
// public exponent 65537) and the legacy form's length mask. Their values come from a header
// generated for each build: the maker's keys in the shipped build, keys of our own in the tests.
// A modulus of zeros verifies nothing: every signed plug-in is then refused.

namespace Gathrix::FileSignature {

extern const unsigned char SignatureKeyP[256];
extern const unsigned char SignatureKeyD[256];
extern const unsigned char LegacyLengthMask[4];

} // namespace Gathrix::FileSignature
